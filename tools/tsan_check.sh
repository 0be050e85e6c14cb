#!/usr/bin/env bash
# Builds the program and its GUI tests with ThreadSanitizer and plays songs
# while keys are pushed, with the audio callback on its own thread:
#   1. the headless tests of playback, song files and the audio thread;
#   2. the real program under a virtual X server with SDL's dummy audio
#      driver (which calls back in real time), a song, and xdotool keys.
# Any ThreadSanitizer finding fails the script.
#
#   tools/tsan_check.sh [build-folder] [song.qnt]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-tsan}
song=${2:-songs/demo.qnt}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLNOTE_TSAN=ON -DQUILLNOTE_BENCH=OFF > /dev/null
cmake --build "$build" -j2 --target test_app quillnote
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 suppressions=$(realpath tools/tsan.supp)"

echo "== headless: audio thread, playback and song file tests"
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software \
  "$build/tests/test_app" --gtest_filter='AudioThread.*:Playback.*:SongFiles.*' \
  --gtest_brief=1

echo "== program: $song under Xvfb for a few seconds of keys"
program=$(realpath "$build/quillnote")
song_path=()
[ -f "$song" ] && song_path=("$(realpath "$song")")
source "$(dirname "$0")/xvfb_session.sh"
start_xvfb 1400x1000
# SDL's software renderer keeps drawing off OpenGL as far as SDL allows;
# Mesa's threads that remain are covered by tools/tsan.supp.
start_program "$scratch/out.txt" env SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software "$program" "${song_path[@]}"
wait_for_window "$scratch/out.txt"
# The editors are typed into while the song plays: notes, digits, row and
# position edits, clipboards, mutes, and Return to the sequence editor.
for key in space Control_R F2 alt+Down Alt_R space shift+space Control_R ctrl+Return KP_Add \
           alt+Up shift+Control_R space Control_R F3 less alt+F2 Escape Control_R space alt+F3 alt+F1 \
           Control_R ctrl+Return space \
           Control_R q w e Down Insert BackSpace Right 4 Delete ctrl+a ctrl+equal ctrl+c ctrl+v shift+F4 \
           shift+F5 ctrl+e ctrl+shift+e alt+2 alt+2 ctrl+Right ctrl+Left Return 1 2 Insert Down Delete \
           BackSpace shift+Down ctrl+c ctrl+v ctrl+u ctrl+k equal minus Return space; do
  xdotool key --window "$window" "$key" 2>/dev/null || true
  sleep 0.2
done
sleep 1
xdotool key --window "$window" alt+F4 2>/dev/null || true
status=0
for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
# The song was changed, so Alt+F4 asks whether to save it; nobody answers
# here, and the question outlasts SIGTERM (which the program turns into a
# quit request that asks again), so the program is killed outright. A
# finding would already be in its output.
if kill -0 "$program_pid" 2>/dev/null; then
  kill -KILL "$program_pid"
fi
wait "$program_pid" || status=$?
program_pid=""
if grep -q "ThreadSanitizer" "$scratch/out.txt" || [ "$status" -eq 66 ]; then
  cat "$scratch/out.txt"
  echo "ThreadSanitizer reported a finding" >&2
  exit 1
fi
grep -q "Failed to open audio" "$scratch/out.txt" && { echo "the program ran without audio" >&2; exit 1; }
echo "no ThreadSanitizer finding (program exit status $status)"
