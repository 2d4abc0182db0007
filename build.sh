#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Cubiform and runs either the main job or the tests.
#   ./build.sh run    install what is missing, build, render the sample box
#   ./build.sh test   install what is missing, build, run the whole test suite
#   ./build.sh build  install what is missing and build only
# With CUBIFORM_SANITIZE=address,undefined (and a BUILD_DIR of its own) the
# tree is built with those sanitizers and the tests run under them.
set -euo pipefail
cd "$(dirname "$0")"
MODE=${1:-run}
BUILD_DIR=${BUILD_DIR:-build}

PACKAGES=(cmake ninja-build g++ pkg-config
          qt6-base-dev libgl-dev libjpeg62-turbo-dev libgif-dev libpng-dev libpixman-1-dev libzip-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          clang libclang-rt-14-dev
          xvfb xauth fonts-dejavu-core xdotool imagemagick python3
          desktop-file-utils appstream dpkg-dev shared-mime-info libglib2.0-bin)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

SANITIZE=${CUBIFORM_SANITIZE:-}
if [ -n "$SANITIZE" ]; then
  # Any finding fails the program that made it; leaks are reported except
  # those inside system libraries named in the suppressions file.
  export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0
fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCUBIFORM_SANITIZE="$SANITIZE"
cmake --build "$BUILD_DIR" -j "$(nproc)"

case "$MODE" in
  run)
    if [ -x "$BUILD_DIR/bin/cubiform-render" ]; then
      "$BUILD_DIR/bin/cubiform-render" "${@:2}"
    else
      "$BUILD_DIR/bin/cubiform-demo" "${@:2}"
    fi
    ;;
  test)
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" --timeout 600
    ;;
  build) ;;
  *) echo "usage: $0 run|test|build" >&2; exit 2 ;;
esac
