#!/usr/bin/env bash
# Times `quillnote-cli render` against `openmpt123 --render --no-float` on the
# same four-channel ProTracker modules, in one run, both writing 16-bit
# stereo WAV files at 48000 Hz. Each render runs RUNS times (default 3) and
# the fastest run counts, since other jobs share the machine; the seconds of
# audio are read from each WAV header (the players may play a module for
# different lengths), so the speed is seconds of audio per wall second.
#
# Modules: a real module (the first argument after the build folder, else
# tests/data/mod/flowerpower.mod) and two that this
# script writes itself (looped 8-bit saw, square and noise samples on all
# four channels): a short one of 1 pattern and a long one of 40 patterns.
# The short and long renders give each program's fixed cost (start-up,
# loading, set-up) and its cost per second of audio:
#   time = fixed + per_second x audio seconds.
#
# usage: bench/compare_render.sh [BUILD_DIR] [MODULE]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
module=${2:-}
runs=${RUNS:-3}
[ -x "$build/quillnote-cli" ] || { echo "missing $build/quillnote-cli: build first" >&2; exit 1; }
command -v openmpt123 > /dev/null || { echo "openmpt123 is not installed" >&2; exit 1; }
command -v python3 > /dev/null || { echo "python3 is needed to write the modules" >&2; exit 1; }
[ -n "$module" ] || module=tests/data/mod/flowerpower.mod

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

write_module() {  # path patterns
  python3 - "$1" "$2" <<'PY'
import random, struct, sys
path, patterns = sys.argv[1], int(sys.argv[2])
random.seed(1)
samples = [
    bytes((255 - i * 4) & 255 if i < 64 else 0 for i in range(64)),       # saw cycle
    bytes(100 if i < 32 else 156 for i in range(64)),                    # square cycle
    bytes(random.randrange(256) for _ in range(4096)),                   # noise burst
]
header = b"compare render".ljust(20, b"\0")
for n in range(31):
    if n < len(samples):
        data = samples[n]
        loop = (0, len(data) // 2) if n < 2 else (0, 1)
        header += b"synth".ljust(22, b"\0") + struct.pack(">HBBHH", len(data) // 2, 0, 48, *loop)
    else:
        header += bytes(22) + struct.pack(">HBBHH", 0, 0, 0, 0, 1)
assert patterns <= 128
orders = [i % 16 for i in range(patterns)]
used = min(patterns, 16)
header += bytes([patterns, 127]) + bytes(orders + [0] * (128 - patterns)) + b"M.K."
periods = [428, 381, 339, 320, 285, 254, 226, 214, 190, 170]
body = b""
for p in range(used):
    for row in range(64):
        for channel in range(4):
            sample = [1, 2, 1, 3][channel]
            period = periods[(row // 4 + p + channel * 3) % len(periods)] * (2 if channel == 0 else 1)
            if row % 2 == 0 or channel == 3:
                body += bytes([(sample & 0xF0) | (period >> 8), period & 255, (sample & 15) << 4, 0])
            else:
                body += bytes(4)
with open(path, "wb") as f:
    f.write(header + body + b"".join(samples))
PY
}

# Seconds of audio in a 16-bit stereo 48 kHz WAV file: the size of its
# "data" chunk (found by walking the chunks; other chunks may come first).
wav_seconds() {
  python3 - "$1" <<'PY'
import struct, sys
with open(sys.argv[1], "rb") as f:
    f.seek(12)
    while True:
        head = f.read(8)
        if len(head) < 8:
            sys.exit("no data chunk in " + sys.argv[1])
        tag, size = head[:4], struct.unpack("<I", head[4:])[0]
        if tag == b"data":
            print(size / 192000)
            break
        f.seek(size + (size & 1), 1)
PY
}

# Fastest wall time and least CPU time (user + system) of `runs` runs of a
# command, as "wall cpu". The CPU time says what the program costs when
# other jobs keep it waiting for a core.
fastest() {
  local best="" least="" measured
  for _ in $(seq "$runs"); do
    measured=$( { TIMEFORMAT='%R %U %S'; time "$@" > /dev/null 2>&1; } 2>&1 )
    best=$(awk -v m="$measured" -v b="$best" 'BEGIN { split(m, t, " "); print (b == "" || t[1] < b) ? t[1] : b }')
    least=$(awk -v m="$measured" -v b="$least" 'BEGIN { split(m, t, " "); c = t[2] + t[3]; print (b == "" || c < b) ? c : b }')
  done
  echo "$best $least"
}

write_module "$work/short.mod" 1
write_module "$work/long.mod" 40
names=(short long)
[ -f "$module" ] && { cp "$module" "$work/real.mod"; names+=(real); }

printf "%-6s %-10s %9s %8s %10s %7s %10s\n" module program audio_s wall_s x_realtime cpu_s x_cpu
declare -A speed cpuspeed seconds wall cpu
for name in "${names[@]}"; do
  mod="$work/$name.mod"
  read -r wall[ours,$name] cpu[ours,$name] < <(fastest "$build/quillnote-cli" render "$mod" "$work/$name.ours.wav")
  seconds[ours,$name]=$(wav_seconds "$work/$name.ours.wav")
  read -r wall[mpt,$name] cpu[mpt,$name] < <(fastest openmpt123 --render --force --quiet --no-float \
                                              --samplerate 48000 --channels 2 "$mod")
  seconds[mpt,$name]=$(wav_seconds "$mod.wav")
  for program in ours mpt; do
    speed[$program,$name]=$(awk -v s="${seconds[$program,$name]}" -v t="${wall[$program,$name]}" \
                            'BEGIN { print s / t }')
    cpuspeed[$program,$name]=$(awk -v s="${seconds[$program,$name]}" -v t="${cpu[$program,$name]}" \
                               'BEGIN { print (t > 0) ? s / t : 0 }')
    printf "%-6s %-10s %9.2f %8.3f %10.0f %7.3f %10.0f\n" "$name" \
      "$([ $program = ours ] && echo quillnote || echo openmpt123)" "${seconds[$program,$name]}" \
      "${wall[$program,$name]}" "${speed[$program,$name]}" "${cpu[$program,$name]}" "${cpuspeed[$program,$name]}"
  done
  awk -v a="${speed[ours,$name]}" -v b="${speed[mpt,$name]}" -v c="${cpuspeed[ours,$name]}" \
      -v d="${cpuspeed[mpt,$name]}" -v n="$name" \
    'BEGIN { printf "%-6s speed ratio quillnote / openmpt123: %.2f wall, %.2f CPU\n", n, a / b, (d > 0) ? c / d : 0 }'
done

echo "cost model (time = fixed + per_second x audio seconds, from the short and long modules):"
for program in ours mpt; do
  for clock in wall cpu; do
    if [ $clock = wall ]; then t1=${wall[$program,short]} t2=${wall[$program,long]}
    else t1=${cpu[$program,short]} t2=${cpu[$program,long]}; fi
    awk -v s1="${seconds[$program,short]}" -v t1="$t1" -v s2="${seconds[$program,long]}" -v t2="$t2" \
        -v p="$([ $program = ours ] && echo quillnote || echo openmpt123)" -v c="$clock" 'BEGIN {
      per = (t2 - t1) / (s2 - s1); fixed = t1 - per * s1
      printf "  %-10s %-4s fixed %5.1f ms, %.3f ms per second of audio (%.0fx real time past the fixed cost)\n",
             p, c, fixed * 1000, per * 1000, (per > 0) ? 1 / per : 0
    }'
  done
done
