#!/usr/bin/env bash
# Tries the exports, the unsaved-changes question and the crash backup as a
# user would, in the real program under a virtual X server:
#
#   tools/try_exports.sh [-b build] [OUTDIR]
#
# 1. "Export Wav" of songs/demo.qnt from the Song menu, compared with
#    `quillnote-cli render` (cmp); 2. a long export aborted with "Abort";
# 3. a change (Clear Instrument) and Alt+F4: the question, Escape = Cancel;
# 4. kill -SEGV and the backup; 5. the next start names the backup.
# zenity and kdialog are kept off the PATH so the built-in prompts are used;
# screenshots and WAV files are left in OUTDIR (default try_exports).
set -uo pipefail
build=build
[ "${1:-}" = "-b" ] && { build=$2; shift 2; }
cd "$(dirname "$0")/.."
repo=$(pwd)
out=$(realpath -m "${1:-try_exports}")
mkdir -p "$out"
source tools/xvfb_session.sh
"$build/make-demo-song" "$scratch/long.qnt" 60 > /dev/null
export XDG_DATA_HOME="$scratch/data"
start_xvfb 1280x900
program=$(realpath "$build/quillnote")
mkdir -p "$scratch/nobin"
nozenity=(env PATH="$scratch/nobin")  # no zenity/kdialog: the built-in prompts

prompt_type() {  # the built-in path prompt in the program's window
  sleep 0.5
  xdotool key --window "$window" ctrl+u
  xdotool type --window "$window" --delay 15 "$1"
  sleep 0.2
  xdotool key --window "$window" Return
}

export_wav() {  # LOG SONG WAV: starts the program on SONG and exports WAV from the Song menu
  start_program "$1" "${nozenity[@]}" "$program" "$2"
  wait_for_window "$1"
  sleep 0.5
  xdotool mousemove --window "$window" 30 10 click 1; sleep 0.3
  xdotool mousemove --window "$window" 60 236 mousedown 1; sleep 0.15; xdotool mouseup 1
  prompt_type "$3"
}

echo "== 1. Export Wav of the demo song from the Song menu"
export_wav "$scratch/log1.txt" "$repo/songs/demo.qnt" "$out/app.wav"
for _ in $(seq 50); do [ -f "$out/app.wav" ] && break; sleep 0.2; done
sleep 0.5
import -window "$window" "$out/after_export.png"
"$build/quillnote-cli" render songs/demo.qnt "$out/cli.wav" --stereo mono  # the default preference is Mono
cmp "$out/app.wav" "$out/cli.wav" && echo "IDENTICAL: $(stat -c %s "$out/app.wav") bytes"
kill -9 "$program_pid"; wait "$program_pid" 2>/dev/null; program_pid=""

echo "== 2. Abort a long export"
export_wav "$scratch/log2.txt" "$scratch/long.qnt" "$out/long.wav"
sleep 0.15
import -window "$window" "$out/panel.png"
xdotool mousemove --window "$window" 320 311 mousedown 1; sleep 0.1; xdotool mouseup 1
for _ in $(seq 50); do [ -f "$out/long.wav" ] && break; sleep 0.2; done
sleep 0.3
import -window "$window" "$out/after_abort.png"
size=$(stat -c %s "$out/long.wav")
echo "aborted file: $size bytes = $(( (size - 44) / 3840 )) ticks, remainder $(( (size - 44) % 3840 ))"
python3 - "$out/long.wav" <<'PY'
import sys, wave
w = wave.open(sys.argv[1]); print("wave module reads it:", w.getnchannels(), "ch", w.getframerate(), "Hz", w.getnframes(), "frames", round(w.getnframes()/48000, 2), "s")
PY
echo "== 3. Change the song and close the window: the question, Cancel keeps it open"
xdotool key --window "$window" alt+F2; sleep 0.3
xdotool key --window "$window" shift+F3; sleep 1.5   # Clear Instrument: a change
import -window "$window" "$out/changed.png"
echo "title: $(xdotool getwindowname "$window")"
xdotool key --window "$window" alt+F4 2>/dev/null || true
# Without a window manager Alt+F4 reaches the program as a key: it is "Quit".
sleep 0.5
import -window root "$out/question.png"
xdotool key --window "$window" Escape; sleep 1   # Cancel
kill -0 "$program_pid" 2>/dev/null && echo "still running after Cancel"

echo "== 4. kill -SEGV and the backup"
sleep 1.5   # the crash image is refreshed once a second
kill -SEGV "$program_pid"; wait "$program_pid" 2>/dev/null; echo "exit status $?"
program_pid=""
ls -la "$XDG_DATA_HOME/quillnote/backup/"
tail -2 "$scratch/log2.txt"
"$build/quillnote-cli" info "$XDG_DATA_HOME/quillnote/backup/backup-1.qnt" | head -3
echo "== 5. Start again: the status bar names the backup"
start_program "$scratch/log3.txt" "$program"
wait_for_window "$scratch/log3.txt"
sleep 1
import -window "$window" "$out/after_crash.png"
