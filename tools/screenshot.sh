#!/usr/bin/env bash
# Starts the real program under a virtual X server and saves a PNG of its window.
#
#   tools/screenshot.sh [-s 1.0|1.5|2.0] [-w] [-k "keys"] [-c "x,y ..."] [-d seconds] [-b build] [-o out.png] [song.qnt]
#
#   -s  GUI size, written into the prefs.bin of a scratch working directory
#   -w  wide layout (896 logical pixels)
#   -k  keys sent with xdotool after start-up, e.g. -k "F2 space" (one frame apart)
#   -c  left clicks after the keys, at window pixels, e.g. -c "30,10" opens the Song menu
#   -d  seconds to wait before the shot (default 1.5)
#   -b  build folder holding the quillnote binary (default build)
#   -o  output file (default screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."

size=1.0 wide=0 keys="" clicks="" delay=1.5 build=build out=screenshot.png
while getopts "s:wk:c:d:b:o:" option; do
  case $option in
    s) size=$OPTARG ;;
    w) wide=1 ;;
    k) keys=$OPTARG ;;
    c) clicks=$OPTARG ;;
    d) delay=$OPTARG ;;
    b) build=$OPTARG ;;
    o) out=$OPTARG ;;
    *) sed -n '2,15p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
case $size in
  1.0) size_byte=0 ;;
  1.5) size_byte=1 ;;
  2.0) size_byte=2 ;;
  *) echo "GUI size must be 1.0, 1.5 or 2.0" >&2; exit 2 ;;
esac
program=$(realpath "$build/quillnote")
out=$(realpath -m "$out")
song=()
[ $# -gt 0 ] && song=("$(realpath "$1")")

source "$(dirname "$0")/xvfb_session.sh"

# prefs.bin: magic "QNT\0", hex steps, GUI size, reserved, stereo, wide, background RGBA.
printf "QNT\0\0\\$(printf '%03o' $size_byte)\0\0\\$(printf '%03o' $wide)\\134\\144\\170\\377" > "$scratch/prefs.bin"

start_xvfb 2000x1300
start_program "$scratch/stdout.txt" "$program" "${song[@]}"
wait_for_window "$scratch/stdout.txt"
sleep 0.5
for key in $keys; do
  xdotool key --window "$window" "$key"
  sleep 0.1
done
for click in $clicks; do
  xdotool mousemove --window "$window" "${click%,*}" "${click#*,}" click 1
  sleep 0.2
done
sleep "$delay"
import -window "$window" "$out"
echo "$out: $(identify -format '%wx%h' "$out")"
