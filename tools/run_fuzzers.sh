#!/bin/sh
# Builds the fuzz/*_fuzz.cc targets with clang into build-fuzz/ (engine
# instrumented too) and runs each for the given seconds (default 60), two at a
# time, or one at a time with FUZZ_JOBS=1. Only the named targets are built;
# FUZZ_SKIP_BUILD=1 runs the binaries already there. FUZZ_TIMEOUT (default 10)
# is the seconds one input may take; raise it on a machine busy with builds.
# Seeds are page images cut from the corpus files into build-fuzz/seeds/ (never
# committed); findings land in build-fuzz/findings/<target>/.
# Usage: tools/run_fuzzers.sh [seconds] [target...]
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-60}"
[ $# -gt 0 ] && shift
BUILD_DIR="${FUZZ_BUILD_DIR:-build-fuzz}"
CORPUS="${PAGEWRIGHT_CORPUS_DIR:-../shared/corpus}"
[ -d "$CORPUS/files" ] || CORPUS=/work/shared/corpus

JOBS="${FUZZ_JOBS:-2}"
if [ $# -gt 0 ]; then TARGETS="$*"; else
  TARGETS=$(for f in fuzz/*_fuzz.cc; do basename "$f" .cc; done); fi

if [ "${FUZZ_SKIP_BUILD:-0}" = 0 ]; then
  CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DPAGEWRIGHT_FUZZ=ON >/dev/null
  build_targets=""
  for target in $TARGETS; do build_targets="$build_targets --target $target"; done
  cmake --build "$BUILD_DIR" -j 2 $build_targets
fi

SEEDS="$BUILD_DIR/seeds"
if [ ! -d "$SEEDS" ] && [ -d "$CORPUS/files" ]; then
  mkdir -p "$SEEDS"
  # A few pages of every page type from each corpus file.
  python3 - "$CORPUS/files" "$SEEDS" <<'PY'
import os, sys
src, out = sys.argv[1], sys.argv[2]
for name in sorted(os.listdir(src)):
    path = os.path.join(src, name)
    if not os.path.isfile(path): continue
    seen = {}
    with open(path, 'rb') as f:
        index = 0
        while True:
            page = f.read(8192)
            if len(page) < 96: break
            kind = page[1]
            if seen.get(kind, 0) < 3 and any(page[96:]):
                seen[kind] = seen.get(kind, 0) + 1
                with open(os.path.join(out, '%s_%d' % (name, index)), 'wb') as o:
                    o.write(page)
            index += 1
PY
fi
[ -d "$SEEDS" ] || mkdir -p "$SEEDS"

status=0
run_one() {
  target="$1"
  work="$BUILD_DIR/fuzz-corpus/$target"; findings="$BUILD_DIR/findings/$target"
  mkdir -p "$work" "$findings"
  # The whole-file target patches a small healthy real file.
  if [ "$target" = database_file_fuzz ] && [ -f "$CORPUS/files/pubs_stuit_2000.mdf" ]; then
    export PAGEWRIGHT_FUZZ_BASE="$CORPUS/files/pubs_stuit_2000.mdf"
  fi
  "$BUILD_DIR/$target" -max_total_time="$SECONDS_EACH" -max_len=65536 -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" -print_final_stats=1 "$work" "$SEEDS" \
    > "$BUILD_DIR/findings/$target.log" 2>&1
}
set -- $TARGETS
while [ $# -gt 0 ]; do
  first="$1"; shift
  run_one "$first" & pid1=$!
  pid2=""
  if [ "$JOBS" -gt 1 ] && [ $# -gt 0 ]; then second="$1"; shift; run_one "$second" & pid2=$!; fi
  wait "$pid1" || { echo "$first: FINDING (see $BUILD_DIR/findings/$first.log)"; status=1; }
  if [ -n "$pid2" ]; then
    wait "$pid2" || { echo "$second: FINDING (see $BUILD_DIR/findings/$second.log)"; status=1; }
  fi
done
for target in $TARGETS; do
  log="$BUILD_DIR/findings/$target.log"
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 || true)
  echo "$target: executions ${runs:-?}, ${cov:-cov: ?}"
done
exit $status
