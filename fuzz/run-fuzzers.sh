#!/usr/bin/env bash
# Builds the image and project reader fuzz targets with clang (ASan + UBSan + libFuzzer)
# and runs them.
#   fuzz/run-fuzzers.sh corpus [BUILD_DIR]          each target over its committed
#                                                   corpus, then 2000 seeded mutations
#   fuzz/run-fuzzers.sh fuzz SECONDS [BUILD_DIR]    each target for SECONDS of fuzzing
# New inputs found while fuzzing go to a scratch folder, never into the corpus.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
mode=${1:-corpus}
if [ "$mode" = fuzz ]; then
  seconds=${2:?seconds}
  build=${3:-$here/../build-fuzz}
else
  build=${2:-$here/../build-fuzz}
fi

cmake -S "$here/targets" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ > "$build.configure.log" 2>&1 \
  || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j2 > "$build.build.log" 2>&1 || { cat "$build.build.log"; exit 1; }

common=(-malloc_limit_mb=512 -rss_limit_mb=2048 -timeout=20 -print_final_stats=1)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for kind in bmp gif jpeg png project; do
  target="$build/fuzz_$kind"
  corpus="$here/corpus/$kind"
  mkdir -p "$scratch/$kind"
  echo "== fuzz_$kind"
  if [ "$mode" = fuzz ]; then
    # The fuzzer's own status decides: the filter may match nothing.
    set +e
    "$target" "${common[@]}" -max_total_time="$seconds" "$scratch/$kind" "$corpus" 2>&1 \
      | grep -E "stat::number_of_executed_units|ERROR|SUMMARY|Done"
    status=${PIPESTATUS[0]}
    set -e
    [ "$status" -eq 0 ] || exit 1
  else
    "$target" "${common[@]}" "$corpus"/* > "$scratch/$kind.log" 2>&1 || { cat "$scratch/$kind.log"; exit 1; }
    "$target" "${common[@]}" -runs=2000 -seed=1 "$scratch/$kind" "$corpus" > "$scratch/$kind.log" 2>&1 \
      || { cat "$scratch/$kind.log"; exit 1; }
    grep -E "stat::number_of_executed_units" "$scratch/$kind.log" || true
  fi
done
echo "all fuzz targets ran clean"
