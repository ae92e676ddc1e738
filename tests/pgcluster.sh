#!/bin/bash
# A throwaway PostgreSQL server for the tests and the benchmarks: a cluster in a temporary
# folder, listening only on a Unix socket in that folder. Run as root, the server runs as the
# user postgres (PostgreSQL refuses to run as root).
#   pgcluster.sh start DIR [SETTING=VALUE...]   prints the connection string of its database
#   pgcluster.sh stop DIR
#   pgcluster.sh pause DIR    stops the server at once, as a crash or a pulled plug would
#   pgcluster.sh resume DIR   starts it again on the same data
#   pgcluster.sh restart DIR fast|immediate   stops it and starts it again
#   pgcluster.sh tls DIR PORT PASSWORD   as a shop runs it: TCP on 127.0.0.1:PORT, SSL with a
#       certificate made for the run, the password asked (SCRAM); prints the connection string,
#       whose password file (passfile) holds the password
set -euo pipefail
cmd=$1
dir=$2
shift 2
bindir=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
as_owner() {
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
case $cmd in
start)
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    mkdir -p "$dir"
    [ "$(id -u)" = 0 ] && chown postgres "$dir"
    as_owner "$bindir/initdb" -D "$dir/data" -U gudang --auth=trust -E UTF8 --locale=C >"$dir/initdb.log"
    # The owner in without a password on the socket; every other role (the program's people)
    # with its password, as a shop's server asks it.
    printf 'local all gudang trust\nlocal all all scram-sha-256\n' >"$dir/data/pg_hba.conf"
    options="-k $dir -c listen_addresses= -c max_connections=300"
    for setting in "$@"; do options="$options -c $setting"; done
    echo "$options" >"$dir/options"
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o "$options" start >/dev/null
    echo "host=$dir user=gudang dbname=postgres"
    ;;
pause)
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null
    ;;
resume)
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o "$(cat "$dir/options")" \
        start >/dev/null
    ;;
restart)
    # The server stopped as an administrator stops it (fast) or as a crash would (immediate),
    # and started again on the same data.
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m "${1:-fast}" -w stop >/dev/null
    as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -o "$(cat "$dir/options")" \
        start >/dev/null
    ;;
tls)
    port=$1
    password=$2
    data="$dir/data"
    openssl req -new -x509 -days 2 -nodes -subj "/CN=localhost" -keyout "$data/server.key" \
        -out "$data/server.crt" >/dev/null 2>&1
    chmod 600 "$data/server.key"
    [ "$(id -u)" = 0 ] && chown postgres "$data/server.key" "$data/server.crt"
    as_owner "$bindir/psql" -h "$dir" -U gudang -d postgres -qc \
        "ALTER ROLE gudang PASSWORD '$password'" >/dev/null
    # The socket in the folder stays open to the owner without a password; over TCP only SSL
    # with the password.
    printf 'local all gudang trust\nlocal all all scram-sha-256\nhostssl all all 127.0.0.1/32 scram-sha-256\n' >"$data/pg_hba.conf"
    [ "$(id -u)" = 0 ] && chown postgres "$data/pg_hba.conf"
    options="$(cat "$dir/options") -c listen_addresses=127.0.0.1 -c port=$port -c ssl=on"
    echo "$options" >"$dir/options"
    as_owner "$bindir/pg_ctl" -D "$data" -m fast -w stop >/dev/null
    as_owner "$bindir/pg_ctl" -D "$data" -l "$dir/server.log" -w -o "$options" start >/dev/null
    printf '127.0.0.1:%s:*:gudang:%s\n' "$port" "$password" >"$dir/pgpass"
    chmod 600 "$dir/pgpass"
    echo "host=127.0.0.1 port=$port user=gudang dbname=postgres sslmode=require passfile=$dir/pgpass"
    ;;
stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null
    fi
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|stop|pause|resume|restart|tls DIR" >&2
    exit 2
    ;;
esac
