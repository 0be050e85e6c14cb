#!/usr/bin/env bash
# Measures the line and branch coverage of the whole test suite, per source
# folder, in a separate instrumented build (build-coverage by default).
#
#   tools/coverage.sh [-b DIR] [-j N] [-n] [-o FILE]
#     -b DIR   build folder (default build-coverage)
#     -j N     parallel build and test jobs (default 2)
#     -n       do not build or run the tests again; report the counters as they are
#     -o FILE  also write the table to FILE
#
# Needs gcovr (Debian package "gcovr"). Also prints the test-to-code line ratio.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build-coverage
jobs=2
run=1
out=""
while getopts "b:j:no:" opt; do
  case $opt in
    b) dir=$OPTARG ;;
    j) jobs=$OPTARG ;;
    n) run=0 ;;
    o) out=$OPTARG ;;
    *) sed -n '2,11p' "$0"; exit 2 ;;
  esac
done
command -v gcovr > /dev/null || { echo "coverage.sh: gcovr is missing (apt-get install gcovr)" >&2; exit 1; }

if [ $run -eq 1 ]; then
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g --coverage" \
        -DCMAKE_EXE_LINKER_FLAGS="--coverage" -DQUILLNOTE_BENCH=OFF > /dev/null
  cmake --build "$dir" -j "$jobs"
  find "$dir" -name '*.gcda' -delete
  # A failing test still leaves its counters; report them and say so.
  (cd "$dir" && ctest -j "$jobs" --output-on-failure) || echo "coverage.sh: some tests failed" >&2
fi

summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
# gcov prints negative counts for some branches of the vectorised mixer
# loops; gcovr would stop on them, so such lines are passed over.
gcovr -r . --object-directory "$dir" --exclude-throw-branches --exclude-unreachable-branches \
      --gcov-ignore-parse-errors \
      --filter '(app|gui|editors|engine|song|cli|tools)/' --exclude 'tests/' \
      -j "$jobs" --json-summary "$summary" > /dev/null

python3 - "$summary" <<'EOF' | tee ${out:+"$out"}
import json, sys
folders = ["song", "engine", "gui", "editors", "app", "cli", "tools/cli", "tools/demo"]
totals = {f: [0, 0, 0, 0] for f in folders}
for entry in json.load(open(sys.argv[1]))["files"]:
    name = entry["filename"]
    folder = next((f for f in sorted(folders, key=len, reverse=True) if name.startswith(f + "/")), None)
    if folder is None:
        continue
    t = totals[folder]
    t[0] += entry["line_covered"]; t[1] += entry["line_total"]
    t[2] += entry["branch_covered"]; t[3] += entry["branch_total"]
pct = lambda a, b: f"{100.0 * a / b:5.1f} %" if b else "    -  "
print(f"{'folder':<12} {'lines':>17} {'':>7}  {'branches':>17} {'':>7}")
all_ = [0, 0, 0, 0]
for f in folders:
    t = totals[f]
    if t[1] == 0:
        continue
    all_ = [a + b for a, b in zip(all_, t)]
    print(f"{f:<12} {t[0]:>8}/{t[1]:<8} {pct(t[0], t[1])}  {t[2]:>8}/{t[3]:<8} {pct(t[2], t[3])}")
print(f"{'all':<12} {all_[0]:>8}/{all_[1]:<8} {pct(all_[0], all_[1])}  {all_[2]:>8}/{all_[3]:<8} {pct(all_[2], all_[3])}")
EOF

count() {  # lines of the .cpp and .h files under the folders that exist
  local dirs=()
  for d in "$@"; do [ -d "$d" ] && dirs+=("$d"); done
  find "${dirs[@]}" \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | wc -l
}
code=$(count app gui editors engine song cli tools)
tests=$(count tests)
echo "test lines $tests, code lines $code: $(python3 -c "print(f'{100*$tests/$code:.1f} %')")" | tee ${out:+-a "$out"}
