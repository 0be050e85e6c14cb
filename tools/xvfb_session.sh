# Shared by the scripts that drive the real program under a virtual X server.
# Source it, then call: start_xvfb WIDTHxHEIGHT, then
# start_program LOGFILE COMMAND... (run in $scratch), then wait_for_window LOGFILE.
# Sets $scratch, $xvfb_pid, $program_pid, $window; cleans up on exit.

scratch=$(mktemp -d)
xvfb_pid="" program_pid="" window=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

start_xvfb() {
  local display_number=$((90 + RANDOM % 100))
  Xvfb ":$display_number" -screen 0 "$1"x24 -nolisten tcp > /dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$display_number"
  for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X$display_number" ] && break; sleep 0.1; done
}

start_program() {
  local log=$1
  shift
  (cd "$scratch" && exec "$@") > "$log" 2>&1 &
  program_pid=$!
}

wait_for_window() {
  for _ in $(seq 100); do
    window=$(xdotool search --name "Quillnote" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && return 0
    sleep 0.1
  done
  echo "the window did not appear" >&2
  cat "$1" >&2
  exit 1
}
