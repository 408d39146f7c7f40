#!/bin/sh
# The database server of the server-backend test cases, as a CTest fixture:
# set up once before the first of them, cleaned up after the last.
#
#   server_cluster.sh setup STATE CLUSTER
#   server_cluster.sh cleanup STATE CLUSTER
#
# setup leaves in STATE either "uri" (the connection URI of a private cluster
# started in CLUSTER with tools/pg-test-cluster.sh) or "skip" (one line: why
# the server cases cannot run). The cases read them through
# DORVELIAN_PG_STATE. A server named by DORVELIAN_PG_URI is used as it is:
# setup then starts nothing and leaves neither file.
#
# Exit codes of setup: 0 a server is there; 77 no server programs are
# installed (the cases skip, and say why); 1 the cluster did not start (the
# cases do not run).
set -u

[ $# -eq 3 ] || { echo "usage: server_cluster.sh setup|cleanup STATE CLUSTER" >&2; exit 2; }
action=$1 state=$2 cluster=$3
tools=$(cd "$(dirname "$0")/../tools" && pwd)

cleanup() {
    if [ -f "$state/started" ]; then
        "$tools/pg-test-cluster.sh" stop "$cluster" || echo "the test cluster in $cluster did not stop"
        rm -rf "$cluster"
    fi
    rm -f "$state/uri" "$state/skip" "$state/started"
}

setup() {
    mkdir -p "$state"
    rm -f "$state/uri" "$state/skip"
    if [ -n "${DORVELIAN_PG_URI:-}" ]; then
        echo "server cases: using DORVELIAN_PG_URI=$DORVELIAN_PG_URI"
        return 0
    fi
    if [ -n "${PG_BIN:-}" ]; then
        initdb=$PG_BIN/initdb
    else
        initdb=$(ls -d /usr/lib/postgresql/*/bin/initdb 2>/dev/null | sort -V | tail -n 1)
    fi
    if [ -z "$initdb" ] || [ ! -x "$initdb" ]; then
        echo "no PostgreSQL server programs (initdb) installed: tools/setup-deps.sh --test installs them, or set DORVELIAN_PG_URI" |
            tee "$state/skip"
        return 77
    fi
    # A cluster left behind by an interrupted run is replaced.
    if [ -d "$cluster" ]; then
        "$tools/pg-test-cluster.sh" stop "$cluster" >/dev/null 2>&1 || true
        rm -rf "$cluster"
    fi
    touch "$state/started"
    if ! uri=$("$tools/pg-test-cluster.sh" start "$cluster"); then
        echo "the private test cluster in $cluster did not start (server log: $cluster/server.log)"
        return 1
    fi
    printf '%s\n' "$uri" >"$state/uri.new" && mv "$state/uri.new" "$state/uri"
    echo "server cases: private test cluster $uri"
}

case "$action" in
    setup) setup ;;
    cleanup) cleanup ;;
    *) echo "usage: server_cluster.sh setup|cleanup STATE CLUSTER" >&2; exit 2 ;;
esac
