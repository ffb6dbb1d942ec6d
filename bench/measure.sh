# Shared by the export benchmarks (sourced, not run).
#
# measure <command…>: prints "<wall seconds> s  <peak RSS> MiB" of the command. Every run starts
# with the page cache's dirty pages written out: an export or import writes hundreds of megabytes
# to three gigabytes, and the kernel otherwise writes them back during whichever run comes next,
# so that the second of two runs paid for the first. The generated log counts too: ten million
# lines are two gigabytes written just before the first export.
measure() {
    sync
    /usr/bin/time -v -o "$work/time" "$@" >/dev/null
    awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0;
                                          for (i = 1; i <= n; i++) s = s * 60 + p[i]; wall = s }
                /Maximum resident set size/ { rss = $2 / 1024 }
                END { printf "%.2f s  %.0f MiB", wall, rss }' "$work/time"
}

seconds() { awk '{ print $1 }'; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

median() {
    sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

report() { printf '%-48s %s\n' "$1" "$2"; }

# Exports `log` into the database named by `connection`, every line a row, as "Go!" does with
# an empty "Include extensions" field and no name lookups.
export_into() {
    measure "$bin/kestrelport" export --log "$1" --connection "$2" --table Bench --reset \
        --include-exts "" --no-auto-dns --quiet --error-log "$work/errors.txt"
}

# Sets the PG* variables that psql reads from a PostgreSQL connection string of ours.
use_postgres() {
    value() { tr ';' '\n' <<<"$1" | sed -n "s/^ *$2 *= *//Ip" | tail -n 1; }
    export PGHOST=$(value "$1" '\(Host\|Server\)') PGPORT=$(value "$1" Port)
    export PGDATABASE=$(value "$1" Database) PGUSER=$(value "$1" 'User ID')
    export PGPASSWORD=$(value "$1" Password)
}
