#!/usr/bin/env bash
# Times `quillnote-cli render` against `openmpt123 --render` on songs of the
# same length, in one run: a long version of the demo song (its middle section
# played 14 times, 334 s plus the 6 s fade) and a four-channel ProTracker
# module of matching length that this script writes itself (looped 8-bit
# saw, square and noise samples on all four channels), both at 48000 Hz,
# 16-bit stereo.
#
# usage: bench/compare_render.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
for tool in "$build/quillnote-cli" "$build/make-demo-song"; do
  [ -x "$tool" ] || { echo "missing $tool: build first" >&2; exit 1; }
done
command -v openmpt123 > /dev/null || { echo "openmpt123 is not installed" >&2; exit 1; }
command -v python3 > /dev/null || { echo "python3 is needed to write the module" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/make-demo-song" "$work/long.qnt" 14 > /dev/null

seconds_now() { date +%s.%N; }

start=$(seconds_now)
"$build/quillnote-cli" render "$work/long.qnt" "$work/long.wav" > /dev/null
end=$(seconds_now)
ours=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
ours_audio=$(( ($(stat -c %s "$work/long.wav") - 44) / 4 ))

# A module whose patterns (64 rows at speed 6, 125 BPM: 7.68 s each) add up
# to the same length as the rendered song.
patterns=$(python3 -c "print(max(1, round($ours_audio / 48000 / 7.68)))")
python3 - "$work/long.mod" "$patterns" <<'PY'
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
orders = [i % 16 for i in range(patterns)]  # at most 128 orders
assert patterns <= 128
header += bytes([patterns, 127]) + bytes(orders + [0] * (128 - patterns)) + b"M.K."
periods = [428, 381, 339, 320, 285, 254, 226, 214, 190, 170]
body = b""
for p in range(16):
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

start=$(seconds_now)
openmpt123 --render --force --quiet --no-float --samplerate 48000 --channels 2 "$work/long.mod" > /dev/null 2>&1
end=$(seconds_now)
theirs=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
rendered=$(ls "$work"/long.mod.* 2>/dev/null | head -n 1)
theirs_audio=$(( ($(stat -c %s "$rendered") - 44) / 4 ))

awk -v ours="$ours" -v ours_audio="$ours_audio" -v theirs="$theirs" -v theirs_audio="$theirs_audio" 'BEGIN {
  printf "quillnote-cli render: %7.2f s of audio in %.3f s (%.0fx real time)\n", ours_audio / 48000, ours, ours_audio / 48000 / ours
  printf "openmpt123 --render:  %7.2f s of audio in %.3f s (%.0fx real time)\n", theirs_audio / 48000, theirs, theirs_audio / 48000 / theirs
  printf "time ratio quillnote / openmpt123: %.2f\n", ours / theirs
}'
