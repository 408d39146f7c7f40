#!/usr/bin/env bash
# Network benchmark: the demo plan (7 days, one plan group, 5 workplaces x 3
# slots per unit) runs on the server of a private test cluster, once on the
# cluster's local socket and then through dorvelian-forwarder on 127.0.0.1,
# which holds the traffic for a set time in each direction. One table line
# per run: wall time, proposals, round trips (DORVELIAN_STATS: a batch sent
# together counts once) and both per proposal. A SQLite run of the same plan
# comes first for comparison. Each server line runs twice: "plain" sends
# every statement on its own (DORVELIAN_PIPELINE=off), "batched" sends
# independent statements together.
#
#   bench/network_run.sh --cluster DIR [--build DIR] [--units "5 20 80"]
#                        [--delays "local 0 0.1 0.5"] [--days 7] [--repeat N]
#                        [--modes "plain batched"] [--settings "OPTIONS"]
#
# --cluster  directory of a running tools/pg-test-cluster.sh cluster
# --build    build directory with dorvelian, dorvelian-demo, dorvelian-config
#            and dorvelian-forwarder (default build)
# --delays   milliseconds each way through the forwarder; "local" in the
#            list is the cluster's own socket (default "local 0 0.1 0.5")
# --repeat   runs per line, each on a freshly loaded plan; the fastest counts
#            (default 1)
# --settings run settings for dorvelian-config, e.g. "--person-choice
#            first-fitting" (default none: the defaults)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$src/build
cluster=
units="5 20 80"
delays="local 0 0.1 0.5"
days=7
repeat=1
modes="plain batched"
settings=
while [ $# -gt 0 ]; do
  case $1 in
    --cluster) cluster=$(cd "$2" && pwd -P); shift 2 ;;
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --units) units=$2; shift 2 ;;
    --delays) delays=$2; shift 2 ;;
    --days) days=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    --modes) modes=$2; shift 2 ;;
    --settings) settings=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
[ -n "$cluster" ] || { echo "network_run.sh: --cluster DIR is required" >&2; exit 2; }
[ -S "$cluster/.s.PGSQL.5432" ] || { echo "network_run.sh: no server socket in $cluster" >&2; exit 1; }
user=dorvelian
pass=dorvelian
direct="postgresql:///dorvelian?host=$cluster"
work=$(mktemp -d /tmp/dorvelian-net.XXXXXX)
fwd_pid=
cleanup() {
  [ -n "$fwd_pid" ] && kill "$fwd_pid" 2>/dev/null || true
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# one BACKEND UNITS DELAY MODE: one fresh plan, one run; prints one table line.
one() {
  local backend=$1 u=$2 delay=$3 mode=$4 dir=$work/plan stats=$work/stats
  local pipeline=on
  [ "$mode" = plain ] && pipeline=off
  local best="" bestline="" i
  for ((i = 0; i < repeat; i++)); do
    local extra=()
    [ "$backend" = postgresql ] && extra=(--pg "$direct" --user "$user" --password "$pass")
    "$build/dorvelian-demo" --dir "$dir" --force --days "$days" --plangroups 1 --units "$u" \
      --workplaces 5 --slots 3 "${extra[@]}" >/dev/null
    # shellcheck disable=SC2086
    [ -z "$settings" ] || "$build/dorvelian-config" "$dir/work/dorvelian.cfg" $settings
    if [ "$backend" = postgresql ] && [ "$delay" != local ]; then
      local us
      us=$(awk -v d="$delay" 'BEGIN { printf "%d", d * 1000 }')
      # The port file of an earlier run would name a forwarder that is gone.
      rm -f "$work/port"
      "$build/bench/dorvelian-forwarder" --to "unix:$cluster/.s.PGSQL.5432" --delay-us "$us" >"$work/port" &
      fwd_pid=$!
      while [ ! -s "$work/port" ]; do sleep 0.05; done
      local port
      port=$(head -n 1 "$work/port")
      chmod 600 "$dir/work/dorvelian.cfg"
      printf '%s\n' "$pass" | "$build/dorvelian-config" "$dir/work/dorvelian.cfg" \
        --service "postgresql://127.0.0.1:$port/dorvelian?sslmode=disable" --schema PLAN \
        --login "$user" --password-stdin >/dev/null
    fi
    rm -f "$stats"
    local t0 t1
    t0=$(date +%s.%N)
    (cd "$dir/work" && DORVELIAN_PIPELINE=$pipeline DORVELIAN_STATS=$stats "$build/dorvelian" dorvelian.cfg bench 00000000 \
       00000000 PLG JOB0001 KEY0001 00000 00000 00000 PLAN_OPTIM)
    t1=$(date +%s.%N)
    if [ -n "$fwd_pid" ]; then
      kill "$fwd_pid" 2>/dev/null || true
      wait "$fwd_pid" 2>/dev/null || true
      fwd_pid=
    fi
    local props
    if [ "$backend" = sqlite ]; then
      props=$(sqlite3 "$dir/db/PLAN.db" "select count(*) from Dvm735Bdk")
    else
      props=$(PGUSER=$user PGPASSWORD=$pass psql -qtA "$direct" -c "select count(*) from plan.Dvm735Bdk")
    fi
    local stm rt w
    stm=$(awk '$1=="statements"{print $2}' "$stats")
    rt=$(awk '$1=="roundtrips"{print $2}' "$stats")
    w=$(awk -v a="$t0" -v z="$t1" 'BEGIN { print z - a }')
    if [ -z "$best" ] || awk -v w="$w" -v b="$best" 'BEGIN { exit !(w < b) }'; then
      best=$w
      local label=$backend
      [ "$backend" = postgresql ] && label="pg-$delay-$mode"
      bestline=$(awk -v l="$label" -v u="$u" -v w="$w" -v p="$props" -v s="$stm" -v r="${rt:-0}" 'BEGIN {
        printf "%-20s %5d %9.2f %9d %10d %9.1f %9.1f %10.2f\n", l, u, w, p, r, (p ? r / p : 0), (p ? s / p : 0), (p ? 1000 * w / p : 0) }')
    fi
  done
  echo "$bestline"
}

printf "%-20s %5s %9s %9s %10s %9s %9s %10s\n" run units wall_s proposals roundtrips rt/prop stmt/prop ms/prop
for u in $units; do
  one sqlite "$u" local -
  for d in $delays; do
    for m in $modes; do one postgresql "$u" "$d" "$m"; done
  done
done
