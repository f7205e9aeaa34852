#!/bin/sh
# Builds the benchmarks and runs them all, printing each one's table with the
# machine's core count, load average and the sizes of the files used.
# Every generated file lives under $BENCH_TMP (default: a fresh directory in
# /tmp) and is removed at the end, whatever happens.
#
#   bench/run_all.sh [--quick]
#
# Sizes can be set in the environment:
#   ROWS (default 1000000)   rows of the long table (10000000 for the full run)
#   TABLES (default "5000 10000 20000")  catalog sizes; columns are 15 per table
#   MAP_MB (default 4096)    mapping-scan file size
#   SNAP_MB (default 4096)   snapshot benchmark file size
set -eu
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$SRC/build-bench}
ROWS=${ROWS:-1000000}
TABLES=${TABLES:-"5000 10000 20000"}
MAP_MB=${MAP_MB:-4096}
SNAP_MB=${SNAP_MB:-4096}
if [ "${1:-}" = "--quick" ]; then ROWS=100000; TABLES="500 1000 2000"; MAP_MB=256; SNAP_MB=256; fi

cmake -S "$SRC" -B "$BUILD" -G Ninja -DPAGEWRIGHT_BENCH=ON >/dev/null
ninja -C "$BUILD" -j"${JOBS:-2}" gen_big_db pagewright $(cd "$SRC/bench" && ls *.cc | sed 's/\.cc$//') >/dev/null

TMPD=$(mktemp -d "${TMPDIR:-/tmp}/pagewright-bench.XXXXXX")
trap 'rm -rf "$TMPD"' EXIT INT TERM
export TMPDIR="$TMPD"

echo "== machine: $(nproc) cores; load average: $(cut -d' ' -f1-3 /proc/loadavg); $(date -u +%FT%TZ)"

echo
echo "== catalog: open + bootstrap + object tree (every table resolved; 15 columns per table)"
files=""
for t in $TABLES; do
  "$BUILD/gen_big_db" "$TMPD/cat_$t.mdf" --tables "$t" --columns $((t * 15)) >/dev/null
  files="$files $TMPD/cat_$t.mdf"
done
"$BUILD/catalog_scale_bench" $files
rm -f $files

echo
echo "== rows --all over one table of $ROWS rows (ReadDataPage + DecodePageRows); load: $(cut -d' ' -f1-3 /proc/loadavg)"
"$BUILD/gen_big_db" "$TMPD/rows.mdf" --rows "$ROWS" | sed 's/^/gen\t/'
"$BUILD/rows_scan_bench" "$TMPD/rows.mdf" Big

# The console command itself, output to /dev/null, on a tenth of the rows and
# on all of them: the peak resident size must not grow with the table.
echo
echo "== pagewright rows FILE Big --all > /dev/null; load: $(cut -d' ' -f1-3 /proc/loadavg)"
"$BUILD/gen_big_db" "$TMPD/rows_tenth.mdf" --rows $((ROWS / 10)) >/dev/null
printf 'rows\tfile_bytes\twall_s\tcpu_s\trows_per_s\trows_per_cpu_s\tpeak_rss_kb\n'
for f in rows_tenth rows; do
  n=$ROWS; [ "$f" = rows_tenth ] && n=$((ROWS / 10))
  /usr/bin/time -f '%e %U %S %M' -o "$TMPD/time.txt" "$BUILD/pagewright" rows "$TMPD/$f.mdf" Big --all >/dev/null
  read -r secs user sys kb < "$TMPD/time.txt"
  awk -v n="$n" -v b="$(stat -c %s "$TMPD/$f.mdf")" -v s="$secs" -v c="$(echo "$user $sys" | awk '{print $1 + $2}')" \
    -v k="$kb" 'BEGIN { printf "%d\t%d\t%.2f\t%.2f\t%.0f\t%.0f\t%d\n", n, b, s, c, (s > 0 ? n / s : 0), (c > 0 ? n / c : 0), k }'
done
rm -f "$TMPD/rows.mdf" "$TMPD/rows_tenth.mdf"

if [ -x "$BUILD/mapping_scan_bench" ]; then
  echo
  echo "== mapping scan vs raw pread, ${MAP_MB} MB; load: $(cut -d' ' -f1-3 /proc/loadavg)"
  "$BUILD/mapping_scan_bench" "$MAP_MB" 5
fi
if [ -x "$BUILD/snapshot_bench" ]; then
  echo
  echo "== snapshot save/load vs mapping scan, ${SNAP_MB} MB; load: $(cut -d' ' -f1-3 /proc/loadavg)"
  "$BUILD/snapshot_bench" "$SNAP_MB"
fi
if [ -x "$BUILD/format_value_bench" ]; then
  echo
  echo "== format_value_bench"
  "$BUILD/format_value_bench"
fi
echo
echo "== done; load average: $(cut -d' ' -f1-3 /proc/loadavg)"
