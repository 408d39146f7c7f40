#!/usr/bin/env bash
# A private database server cluster for the tests.
#
#   pg-test-cluster.sh start DIR          create (if needed) and start a cluster
#                                         in DIR; prints the connection URI
#   pg-test-cluster.sh stop DIR           stop the cluster in DIR (if running)
#   pg-test-cluster.sh load DIR SCHEMA [older]
#                                         (re)create plan schema SCHEMA from
#                                         schema/postgresql as role dorvelian,
#                                         and schema dvmaster if it is missing
#   pg-test-cluster.sh uri DIR            print the connection URI again
#
# The cluster listens on a Unix socket in DIR only (no TCP port), trusts
# every local connection and is made for speed, not durability: fsync and
# synchronous commit are off. It has a login role "dorvelian" with password
# "dorvelian" and a database "dorvelian" owned by it; the program logs on
# with that user and password and the URI printed by start.
#
# The server refuses to run as root. Run as root (as CI does), the script
# runs the server programs as the system user "postgres" (created when
# missing), which then owns DIR; DIR must be reachable by that user, e.g. a
# directory under /tmp.
#
# PG_BIN names the directory of initdb, pg_ctl and psql; by default the
# newest /usr/lib/postgresql/*/bin.
set -euo pipefail

die() { echo "pg-test-cluster: $*" >&2; exit 1; }

usage() {
    sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

[ $# -ge 2 ] || usage
cmd=$1
dir=$2

here=$(cd "$(dirname "$0")" && pwd)
ddl_dir="$here/../schema/postgresql"

if [ -z "${PG_BIN:-}" ]; then
    PG_BIN=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
fi
[ -n "${PG_BIN:-}" ] && [ -x "$PG_BIN/initdb" ] || die "no initdb found; install the server package or set PG_BIN"

if [ "$cmd" = start ]; then
    mkdir -p "$dir"
elif [ ! -d "$dir" ]; then
    [ "$cmd" = stop ] && exit 0
    die "no such directory: $dir"
fi
dir=$(cd "$dir" && pwd -P)
case "$dir" in
    *[!A-Za-z0-9_./-]*) die "DIR may hold only letters, digits and _ . / - (it goes into a URI): $dir" ;;
esac
# The socket path must fit the kernel's limit of 107 bytes.
[ $(( ${#dir} + 15 )) -le 107 ] || die "DIR is too long for a Unix socket path: $dir"

data="$dir/data"
log="$dir/server.log"
uri="postgresql:///dorvelian?host=$dir"

# Runs a server program as the cluster's owner.
as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        (cd / && runuser -u postgres -- "$@")
    else
        "$@"
    fi
}

# psql on the cluster's socket.
sql() {
    local user=$1 db=$2
    shift 2
    "$PG_BIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -U "$user" -d "$db" "$@"
}

running() {
    [ -f "$data/PG_VERSION" ] && as_owner "$PG_BIN/pg_ctl" -D "$data" status >/dev/null 2>&1
}

start() {
    if [ "$(id -u)" -eq 0 ]; then
        if ! id postgres >/dev/null 2>&1; then
            useradd --system --user-group --no-create-home --home-dir /nonexistent \
                --shell /usr/sbin/nologin postgres
        fi
        chown postgres: "$dir"
        runuser -u postgres -- test -w "$dir" || die "user postgres cannot write $dir (is a parent directory closed?)"
    fi

    if [ ! -f "$data/PG_VERSION" ]; then
        # C collation: texts sort by their bytes, as in the file database.
        as_owner "$PG_BIN/initdb" -D "$data" --username=postgres --auth=trust \
            --encoding=UTF8 --locale=C --no-sync >"$dir/initdb.log" 2>&1 ||
            { cat "$dir/initdb.log" >&2; die "initdb failed"; }
        as_owner tee -a "$data/postgresql.conf" >/dev/null <<EOF

# Private test cluster: a Unix socket in the cluster directory only, and no
# waiting for the disk.
listen_addresses = ''
unix_socket_directories = '$dir'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 40
shared_buffers = 64MB
logging_collector = off
EOF
    fi

    if ! running; then
        as_owner "$PG_BIN/pg_ctl" -D "$data" -l "$log" -w -t 60 start >/dev/null ||
            { tail -n 20 "$log" >&2 || true; die "the server did not start"; }
    fi

    # Role and database of the program; made once.
    if [ "$(sql postgres postgres -tAc "select 1 from pg_roles where rolname = 'dorvelian'")" != 1 ]; then
        sql postgres postgres -c "create role dorvelian login createdb password 'dorvelian'"
    fi
    if [ "$(sql postgres postgres -tAc "select 1 from pg_database where datname = 'dorvelian'")" != 1 ]; then
        sql postgres postgres -c "create database dorvelian owner dorvelian"
    fi
    echo "$uri"
}

stop() {
    if running; then
        as_owner "$PG_BIN/pg_ctl" -D "$data" -m fast -w -t 60 stop >/dev/null
    fi
}

load() {
    local schema=${1:-}
    local layout=${2:-newer}
    [ -n "$schema" ] || die "load needs a schema name"
    case "$schema" in
        *[!A-Za-z0-9_]*) die "invalid schema name: $schema" ;;
    esac
    schema=$(printf '%s' "$schema" | tr 'A-Z' 'a-z')
    [ "$schema" != dvmaster ] || die "dvmaster is the calendar schema"
    case "$layout" in
        newer | older) ;;
        *) die "layout is newer or older, not $layout" ;;
    esac
    running || die "no cluster running in $dir"

    if [ "$(sql dorvelian dorvelian -tAc "select 1 from pg_namespace where nspname = 'dvmaster'")" != 1 ]; then
        sql dorvelian dorvelian -f "$ddl_dir/dvmaster.sql"
    fi
    {
        echo "SET client_min_messages TO warning;"
        echo "DROP SCHEMA IF EXISTS $schema CASCADE;"
        echo "CREATE SCHEMA $schema;"
        echo "SET search_path TO $schema;"
        echo "\\i $ddl_dir/schema.sql"
        echo "\\i $ddl_dir/indexes.sql"
        if [ "$layout" = older ]; then echo "\\i $ddl_dir/older_layout.sql"; fi
        echo "\\i $ddl_dir/views.sql"
    } | sql dorvelian dorvelian
}

case "$cmd" in
    start) start ;;
    stop) stop ;;
    load) shift 2; load "$@" ;;
    uri) echo "$uri" ;;
    *) usage ;;
esac
