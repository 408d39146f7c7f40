#!/usr/bin/env bash
# Width benchmark: one plan group of growing width (units, 5 workplaces x 3
# slots each), a few days, run once on the plain scan path (DORVELIAN_SCAN=plain)
# and once on the memory path, each on a freshly generated plan of the same
# seed. Prints per size and path: the program's processor time and the wall
# time, proposals, statements and cursor rows per proposal, CPU and wall time
# per proposal; and whether both paths left the same rows (proposals without
# key and time stamp in their order, matrix rows, error rows, log messages).
#
#   bench/width.sh [--build DIR] [--units "20 40 80 160 320 640"] [--days 7]
#                  [--repeat N] [--pg URI] [--pg-user U] [--pg-password P] [--pg-only]
#
# --repeat  runs per size and path, each on a fresh plan; the one with the
#           least processor time is reported (default 1)
# --build   build directory with dorvelian and dorvelian-demo (default build)
# --pg URI  run the same sizes on PostgreSQL as well (logon dorvelian/dorvelian,
#           the role of tools/pg-test-cluster.sh, unless given); --pg-only
#           skips the SQLite series
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$src/build
units="20 40 80 160 320 640"
days=7
repeat=1
pg=""
pguser=dorvelian
pgpass=dorvelian
sqlite=1
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --units) units=$2; shift 2 ;;
    --days) days=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    --pg) pg=$2; shift 2 ;;
    --pg-user) pguser=$2; shift 2 ;;
    --pg-password) pgpass=$2; shift 2 ;;
    --pg-only) sqlite=0; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
demo=$build/dorvelian-demo
prog=$build/dorvelian
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (package time)" >&2; exit 2; }
work=$(mktemp -d /tmp/dorvelian-width.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The rows a run leaves, in a form both paths can be compared by.
snapshot() {
  local backend=$1 dir=$2 out=$3
  local bdk="BdkLfd,BdkPnr,BdkBdt,BdkEso,BdkEsa,BdkSzv,BdkSzb,BdkBsz,BdkTtp,BdkFc1,BdkFc2,BdkFc3,BdkOso,BdkOsa,BdkOsv,BdkOsb,BdkOsz,BdkPlg,BdkAsw,BdkSts,BdkFnr,BdkSta,BdkErf,BdkAkt,BdkOsw,BdkZvo,BdkZbi"
  local bsm="BsmBdt,BsmEso,BsmEsa,BsmSzv,BsmSzb,BsmBsz,BsmSol,BsmMin,BsmMax,BsmIst,BsmPlg,BsmHtg,BsmHtv,BsmHtn,BsmFkt,BsmAsw,BsmKor,BsmKos,BsmKo2,BsmOva,BsmOve"
  local err="ErrPlg,ErrKng,ErrLfn,ErrEso,ErrEsa,ErrKnz,ErrBdt,ErrZtv,ErrZtb,ErrFnr"
  # Proposals in the order they were written: SQLite's rowid; on the server
  # the insertion order of a table without updates or deletes.
  local q1="select $bdk from Dvm735Bdk order by rowid"
  local q2="select $bsm from Dvm725Bsm order by BsmPlg,BsmEso,BsmEsa,BsmBdt,BsmSzv,BsmAsw"
  local q3="select $err from Dvm746Err order by ErrPlg,ErrKng,ErrLfn"
  if [ "$backend" = sqlite ]; then
    sqlite3 "$dir/db/PLAN.db" "$q1; $q2; $q3" > "$out"
  else
    PGUSER=$pguser PGPASSWORD=$pgpass psql -qtA "$pg" -c "set search_path=plan; ${q1/order by rowid/order by ctid}; $q2; $q3" > "$out"
  fi
  sed 's/^[0-9-]* [0-9:]*  //' "$dir/zentravis_php/log/dorvelian_PLAN.log" >> "$out"
}

# run BACKEND UNITS PATH: fresh plans, runs; prints one table line.
run() {
  local backend=$1 n=$2 path=$3 dir=$work/$1-$2-$3 stats=$work/stats extra=()
  [ "$backend" = postgresql ] && extra=(--pg "$pg" --user "$pguser" --password "$pgpass")
  local i best="" wall cpu
  for ((i = 0; i < repeat; i++)); do
    "$demo" --dir "$dir" --force --days "$days" --plangroups 1 --units "$n" --workplaces 5 --slots 3 \
      "${extra[@]}" >/dev/null
    rm -f "$dir/zentravis_php/log/dorvelian_PLAN.log"
    local t0 t1
    t0=$(date +%s.%N)
    (cd "$dir/work" && DORVELIAN_SCAN=$path DORVELIAN_STATS=$stats /usr/bin/time -f "%U %S" -o "$work/cpu" \
       "$prog" dorvelian.cfg bench 00000000 00000000 PLG JOB0001 KEY0001 00000 00000 00000 PLAN_OPTIM)
    t1=$(date +%s.%N)
    cpu=$(awk '{ print $1 + $2 }' "$work/cpu")
    wall=$(awk -v a="$t0" -v z="$t1" 'BEGIN { print z - a }')
    if [ -z "$best" ] || awk -v c="$cpu" -v b="$best" 'BEGIN { exit !(c < b) }'; then
      best=$cpu
      echo "$wall $cpu $(awk '$1=="statements"{print $2}' "$stats") $(awk '$1=="fetches"{print $2}' "$stats")" \
        > "$work/best-$path"
      snapshot "$backend" "$dir" "$work/rows-$path"
    fi
  done
  local props
  props=$(grep -c '^[0-9]*|P' "$work/rows-$path" || true)
  read -r wall cpu stm fet < "$work/best-$path"
  awk -v b="$backend" -v n="$n" -v p="$path" -v w="$wall" -v c="$cpu" -v pr="$props" -v s="$stm" -v f="$fet" 'BEGIN {
    d = pr ? pr : 1
    printf "%-10s %5d %-6s %8.2f %8.2f %9d %9.1f %9.1f %9.0f %9.0f\n", b, n, p, c, w, pr, s / d, f / d,
      1e6 * c / d, 1e6 * w / d }'
}

series() {
  local backend=$1 n
  for n in $units; do
    run "$backend" "$n" plain
    run "$backend" "$n" memory
    if cmp -s "$work/rows-plain" "$work/rows-memory"; then
      echo "           same rows, order and messages on both paths"
    else
      echo "           ROWS DIFFER between the paths" ; diff "$work/rows-plain" "$work/rows-memory" | head -5
    fi
  done
}

printf "%-10s %5s %-6s %8s %8s %9s %9s %9s %9s %9s\n" backend units path cpu_s wall_s proposals stmt/prop rows/prop \
  cpu_us/p wall_us/p
if [ "$sqlite" = 1 ]; then series sqlite; fi
if [ -n "$pg" ]; then series postgresql; fi
