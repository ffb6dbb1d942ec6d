#!/usr/bin/env bash
# How an export's time grows with the log: generated logs of two sizes, exported alternately
# into a fresh SQLite file (and, with a connection string, a fresh PostgreSQL table), every line
# a row. Prints each run and the ratio of the larger log's median time to the smaller's, beside
# the ratio of their line counts; peak memory is that of the larger log's runs.
#
#   bench/bench_scale.sh <build-dir> [small lines] [large lines] [postgres-connection-string]
#
# BENCH_ROUNDS=N (default 3) runs each size N times. The sizes alternate, so that a slow spell
# of the machine falls on both rather than on one: ten million lines take minutes.
set -euo pipefail
build=$(cd "$1" && pwd)
small=${2:-1000000}
large=${3:-10000000}
postgres=${4:-}
rounds=${BENCH_ROUNDS:-3}
bin="$build/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrelport-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
export KESTRELPORT_DATA_DIR="$bin"
source "$(dirname "$0")/measure.sh"

"$bin/genlog" "$small" "$work/small.log"
"$bin/genlog" "$large" "$work/large.log"
[ -n "$postgres" ] && use_postgres "$postgres"

# run <driver> <lines> <log>: one export into a fresh table, its line appended to the driver's
# results file as "<lines> <seconds> <MiB>".
run() {
    local took
    if [ "$1" = SQLite ]; then
        rm -f "$work/bench.db"*
        took=$(export_into "$3" "Provider=SQLite;Data Source=$work/bench.db")
    else
        psql -q -c "DROP TABLE IF EXISTS bench_data" 2>/dev/null
        took=$(export_into "$3" "$postgres")
    fi
    report "  $1, $2 lines:" "$took"
    echo "$2 $(awk '{ print $1, $3 }' <<<"$took")" >>"$work/$1"
}

drivers=(SQLite)
[ -n "$postgres" ] && drivers+=(PostgreSQL)
echo "$small and $large generated lines, $rounds rounds; $(nproc) processors"
for driver in "${drivers[@]}"; do
    : >"$work/$driver"
    for round in $(seq "$rounds"); do
        run "$driver" "$small" "$work/small.log"
        run "$driver" "$large" "$work/large.log"
    done
    a=$(awk -v n="$small" '$1 == n { print $2 }' "$work/$driver" | median)
    b=$(awk -v n="$large" '$1 == n { print $2 }' "$work/$driver" | median)
    peak=$(awk -v n="$large" '$1 == n && $3 > m { m = $3 } END { print m }' "$work/$driver")
    report "  $driver, medians:" \
        "$a s and $b s: $(ratio "$b" "$a")× for $(ratio "$large" "$small")× the lines, peak $peak MiB"
done
[ -n "$postgres" ] && psql -q -c "DROP TABLE IF EXISTS bench_data" 2>/dev/null
exit 0
