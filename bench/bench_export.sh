#!/usr/bin/env bash
# End-to-end export of a generated log, plain and gzip, into a fresh SQLite file, next to the
# sqlite3 shell's .import of the same rows as CSV; with a PostgreSQL connection string also into
# PostgreSQL next to psql's \copy. Wall seconds and peak memory come from /usr/bin/time -v.
# The export runs the table passes after the write, as "Go!" does; the time of the write alone
# (bench_write) is shown beside it.
#
#   bench/bench_export.sh <build-dir> [lines] [postgres-connection-string]
#
# The lines are kept whatever their extension, as with an empty "Include extensions" field.
# BENCH_PLAIN_ONLY=1 leaves out the .gz runs: for 10,000,000 lines (some 2 GB of log) the
# compression and a second export take many minutes and show little that the plain run does not.
# BENCH_ROUNDS=N (N > 1) then repeats the plain export and its reference back to back N times on
# each database and prints every round's ratio and their median: these machines' speed swings by
# a third within minutes, so one pair of runs can land on either side of a target.
set -euo pipefail
build=$(cd "$1" && pwd)
lines=${2:-1000000}
postgres=${3:-}
bin="$build/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrelport-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
export KESTRELPORT_DATA_DIR="$bin"

"$bin/genlog" "$lines" "$work/access.log"
logs=("$work/access.log")
if [ "${BENCH_PLAIN_ONLY:-}" != 1 ]; then
    gzip -k "$work/access.log"
    logs+=("$work/access.log.gz")
fi
# The more of these requests, the more the spider pass's robots rule costs: the figure belongs
# beside the timings.
robots=$(LC_ALL=C grep -cF '/robots.txt HTTP/' "$work/access.log" || true)

source "$(dirname "$0")/measure.sh"

share=$(awk -v r="$robots" -v n="$lines" 'BEGIN { printf "%.2f", (n > 0 ? 100 * r / n : 0) }')
echo "$lines generated lines, $share% of them robots.txt requests; $(nproc) processors"
for log in "${logs[@]}"; do
    rm -f "$work/bench.db"
    report "kestrelport export, SQLite, $(basename "$log"):" \
        "$(export_into "$log" "Provider=SQLite;Data Source=$work/bench.db")"
done

# The export's first half alone: reading the log and writing its rows, before the table passes.
sync
written=$(KESTRELPORT_BENCH_LOG="$work/access.log" "$bin/bench_write" --benchmark_format=csv 2>/dev/null |
    awk -F, '/BM_ReadAndWriteLog/ { printf "%.2f s", $3 }')
report "  of which reading and writing the rows:" "$written"

# The same rows as CSV, loaded by the shell into the same table in a fresh file: once as the
# table is created, once with the export's unique index on id as well.
sqlite3 -csv "$work/bench.db" "SELECT * FROM Bench_data" >"$work/rows.csv"
create=$(sqlite3 "$work/bench.db" "SELECT sql FROM sqlite_master WHERE name = 'Bench_data'")
index=$(sqlite3 "$work/bench.db" "SELECT sql FROM sqlite_master WHERE name = 'Bench_Index'")
sqlite3 "$work/import.db" "$create"
report "sqlite3 .import of the rows as CSV:" \
    "$(measure sqlite3 "$work/import.db" ".import --csv $work/rows.csv Bench_data")"
rm -f "$work/import.db"
sqlite3 "$work/import.db" "$create; $index"
report "  the same into the table with its index:" \
    "$(measure sqlite3 "$work/import.db" ".import --csv $work/rows.csv Bench_data")"

if [ -n "$postgres" ]; then
    use_postgres "$postgres"
    for log in "${logs[@]}"; do
        # A fresh table each time, as for SQLite: a reset keeps the deleted rows' space until
        # the server vacuums, and the second run would pay for the first one's rows.
        psql -q -c "DROP TABLE IF EXISTS bench_data" 2>/dev/null
        report "kestrelport export, PostgreSQL, $(basename "$log"):" \
            "$(export_into "$log" "$postgres")"
    done
    # Logs hold bytes that are not UTF-8; read as Latin-1 every row loads, at the same cost.
    copy_into() {
        measure psql -q -c "\\copy $1 FROM '$work/rows.csv' WITH (FORMAT csv, ENCODING 'LATIN1')"
    }
    # Both references of an exported bench_data, which they use up: \copy into a bare table of
    # its columns, and into the exported table itself, emptied (its primary key and its storage
    # settings as the export met them). Sets bare_copy and same_table_copy to measure's output.
    copy_references() {
        psql -q -c "CREATE TABLE bench_copy (LIKE bench_data)"
        bare_copy=$(copy_into bench_copy)
        psql -q -c "DROP TABLE bench_copy; TRUNCATE bench_data"
        same_table_copy=$(copy_into bench_data)
        psql -q -c "DROP TABLE bench_data"
    }
    copy_references
    report "psql \\copy of the rows as CSV:" "$bare_copy"
    report "  the same into the exported table, emptied:" "$same_table_copy"
fi

rounds=${BENCH_ROUNDS:-1}
if [ "$rounds" -gt 1 ]; then
    # record_round <ratios file> <label> <export seconds> <reference name> <reference seconds>
    record_round() {
        local r
        r=$(ratio "$3" "$5")
        echo "$r" >>"$1"
        report "  $2:" "$3 s ÷ $4 $5 s = $r×"
    }
    echo "$rounds rounds, each the plain export and then its reference:"
    : >"$work/sqlite-ratios"
    for round in $(seq "$rounds"); do
        rm -f "$work/bench.db" "$work/import.db"
        took=$(export_into "$work/access.log" "Provider=SQLite;Data Source=$work/bench.db" | seconds)
        sqlite3 "$work/import.db" "$create"
        reference=$(measure sqlite3 "$work/import.db" ".import --csv $work/rows.csv Bench_data" | seconds)
        record_round "$work/sqlite-ratios" "SQLite, round $round" "$took" .import "$reference"
    done
    report "  SQLite, median of the ratios:" "$(median <"$work/sqlite-ratios")×"
    if [ -n "$postgres" ]; then
        # The bare table stays the first reference; each round also times \copy into the
        # exported table itself, emptied.
        : >"$work/postgres-ratios"
        : >"$work/postgres-same-table-ratios"
        for round in $(seq "$rounds"); do
            psql -q -c "DROP TABLE IF EXISTS bench_data" 2>/dev/null
            took=$(export_into "$work/access.log" "$postgres" | seconds)
            copy_references
            record_round "$work/postgres-ratios" "PostgreSQL, round $round" "$took" '\copy' \
                "$(seconds <<<"$bare_copy")"
            record_round "$work/postgres-same-table-ratios" "  into the same table" "$took" '\copy' \
                "$(seconds <<<"$same_table_copy")"
        done
        report "  PostgreSQL, median of the ratios:" "$(median <"$work/postgres-ratios")×"
        report "    into the exported table, emptied:" "$(median <"$work/postgres-same-table-ratios")×"
    fi
fi
