#!/usr/bin/env bash
# Whole-run benchmark: dorvelian-demo generates plans of growing size, dorvelian
# runs on each (fresh plan every time), and a table reports wall time,
# proposals written, statements executed (DORVELIAN_STATS), statements per
# proposal and time per plan day.
#
#   bench/whole_run.sh [--build DIR] [--days "7 14 28 56"] [--repeat N] [--pg URI]
#
# --repeat  runs per size, each on a fresh plan; the fastest is reported
#           (default 3: the machine may be shared)
# --build   build directory with dorvelian and dorvelian-demo (default build-bench)
# --pg URI  run the same sizes on PostgreSQL as well (needs dorvelian-demo --pg
#           and psql); DORVELIAN_PG_URI in the environment does the same. The
#           logon is --pg-user/--pg-password (default dorvelian/dorvelian, the
#           role of tools/pg-test-cluster.sh).
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$src/build-bench
sizes="7 14 28 56"
repeat=3
pg=${DORVELIAN_PG_URI:-}
pguser=dorvelian
pgpass=dorvelian
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --days) sizes=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    --pg) pg=$2; shift 2 ;;
    --pg-user) pguser=$2; shift 2 ;;
    --pg-password) pgpass=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
demo=$build/dorvelian-demo
prog=$build/dorvelian
shape=(--plangroups 1 --units 20 --workplaces 5 --slots 3)
work=$(mktemp -d /tmp/dorvelian-bench.XXXXXX)
timer=()
[ -x /usr/bin/time ] && timer=(/usr/bin/time -f "%U %S" -o "$work/cpu")
trap 'rm -rf "$work"' EXIT

# run BACKEND DAYS: one fresh plan, one run; prints one table line.
run() {
  local backend=$1 days=$2 dir=$work/$1-$2 stats=$work/stats-$1-$2 extra=()
  [ "$backend" = postgresql ] && extra=(--pg "$pg" --user "$pguser" --password "$pgpass")
  local i t0 t1 best="" cpu=0
  for ((i = 0; i < repeat; i++)); do
    "$demo" --dir "$dir" --force --days "$days" "${shape[@]}" "${extra[@]}" >/dev/null
    t0=$(date +%s.%N)
    # /usr/bin/time gives the program's own processor time (user + system).
    (cd "$dir/work" && DORVELIAN_STATS=$stats "${timer[@]}" "$prog" dorvelian.cfg bench 00000000 \
       00000000 PLG JOB0001 KEY0001 00000 00000 00000 PLAN_OPTIM)
    t1=$(date +%s.%N)
    local w c=0
    w=$(awk -v a="$t0" -v z="$t1" 'BEGIN { print z - a }')
    [ -s "$work/cpu" ] && c=$(awk '{ print $1 + $2 }' "$work/cpu")
    if [ -z "$best" ] || awk -v w="$w" -v b="$best" 'BEGIN { exit !(w < b) }'; then
      best=$w cpu=$c
    fi
  done
  t0=0 t1=$best
  local props
  if [ "$backend" = sqlite ]; then
    props=$(sqlite3 "$dir/db/PLAN.db" "select count(*) from Dvm735Bdk")
  else
    props=$(PGUSER=$pguser PGPASSWORD=$pgpass psql -qtA "$pg" -c "select count(*) from plan.Dvm735Bdk")
  fi
  local stm
  stm=$(awk '$1=="statements"{print $2}' "$stats")
  awk -v b="$backend" -v d="$days" -v t0="$t0" -v t1="$t1" -v c="$cpu" -v p="$props" -v s="$stm" 'BEGIN {
    w = t1 - t0
    printf "%-10s %5d %9.3f %7.2f %9d %11d %9.1f %11.0f %12.2f\n", b, d, w, c, p, s, (p ? s / p : 0), s / w, 1000 * w / d }'
}

printf "%-10s %5s %9s %7s %9s %11s %9s %11s %12s\n" backend days wall_s cpu_s proposals statements stmt/prop stmt/s ms/plan_day
for d in $sizes; do run sqlite "$d"; done
if [ -n "$pg" ]; then
  help=$("$demo" --help 2>&1 || true)
  if [[ $help == *--pg* ]]; then
    for d in $sizes; do run postgresql "$d"; done
  else
    echo "postgresql: this dorvelian-demo has no --pg option; skipped" >&2
  fi
fi
