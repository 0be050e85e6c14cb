#!/usr/bin/env bash
# Sets up a Debian 12 machine for Quillnote, builds it, and then either
# starts the program ("run") or runs every test ("test").
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-run}
shift || true
jobs=$(nproc 2>/dev/null || echo 2)

packages=(build-essential cmake pkg-config libsdl2-dev libgtest-dev libgmock-dev googletest
          libbenchmark-dev clang libclang-rt-dev xvfb xauth imagemagick xdotool zenity dpkg-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  echo "Installing: ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

build() {  # build DIR [cmake options...]
  local dir=$1
  shift
  cmake -S . -B "$dir" "$@" > /dev/null
  cmake --build "$dir" -j "$jobs"
}

case "$mode" in
  run)
    build build -DCMAKE_BUILD_TYPE=Release -DQUILLNOTE_TESTS=OFF -DQUILLNOTE_BENCH=OFF
    if [ -x build/quillnote ]; then
      song=()
      [ -f songs/demo.qnt ] && song=(songs/demo.qnt)
      exec build/quillnote "${song[@]}" "$@"
    fi
    build/quillnote-cli new build/new.qnt
    exec build/quillnote-cli info build/new.qnt
    ;;
  test)
    build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    (cd build && ctest --output-on-failure -j "$jobs")
    # The Debian package: its control fields and the files it installs.
    rm -f build/quillnote_*.deb
    (cd build && cpack -G DEB > /dev/null)
    bash tools/check_package.sh build/quillnote_*.deb
    # libFuzzer targets, when clang is here: a short run of each from its seed corpus.
    if command -v clang++ > /dev/null; then
      build build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUILLNOTE_SANITIZE=ON -DQUILLNOTE_LIBFUZZER=ON -DQUILLNOTE_GUI=OFF -DQUILLNOTE_BENCH=OFF
      for fuzzer in build-fuzz/tests/fuzz_*; do
        [ -x "$fuzzer" ] || continue
        name=$(basename "$fuzzer")
        corpus=tests/fuzz/corpus/${name#fuzz_}
        work=$(mktemp -d)
        cp "$corpus"/* "$work"/ 2>/dev/null || true
        echo "fuzzing $name for ${QUILLNOTE_FUZZ_SECONDS:-15} s"
        "$fuzzer" -max_total_time="${QUILLNOTE_FUZZ_SECONDS:-15}" -print_final_stats=0 "$work" 2>&1 | tail -n 2
        rm -rf "$work"
      done
    fi
    # The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
    build build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
      -DQUILLNOTE_SANITIZE=ON -DQUILLNOTE_BENCH=OFF
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --output-on-failure -j "$jobs")
    ;;
  *)
    echo "usage: tools/setup.sh run|test" >&2
    exit 2
    ;;
esac
