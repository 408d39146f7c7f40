#!/usr/bin/env bash
# Minimum-pass benchmark: on demo plans of the given seeds (default the
# 5-plan-group demo, 14 days, 5 slots), one run each with the minimum pass
# off and on and each person choice (dorvelian-config --minimum-pass,
# --person-choice), every run on a freshly generated plan. Per run, summed
# over the seeds: slots below minimum and below target after the run and the
# persons missing to reach the minimum and the target (effective staffing
# with the open proposals, slot kinds 3 and 4 left out), proposals and those
# with reason code 0, proposals of the minimum pass, and the processor time
# per proposal of the scans and of the minimum pass (DORVELIAN_STATS).
#
#   bench/minimum_pass.sh [--build DIR] [--seeds "1 2 3 4 5"] [--demo "--plangroups 5 --slots 5 --days 14"]
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$src/build
seeds="1 2 3 4 5"
demo="--plangroups 5 --slots 5 --days 14"
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --seeds) seeds=$2; shift 2 ;;
    --demo) demo=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
work=$(mktemp -d /tmp/dorvelian-minpass.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Per row: E with the open proposals, and what it lacks to min(>=0) and to target.
figures="with r as (select BsmIst - BsmHtg - min(BsmHtv, BsmHtn) + BsmOve - BsmOva as e,
  max(BsmMin, 0) as m, BsmSol as s from Dvm725Bsm where BsmAsw not in (3, 4))
  select sum(e < m), sum(e < s), coalesce(sum(max(m - e, 0)), 0), coalesce(sum(max(s - e, 0)), 0) from r"

printf '| pass | person choice | below min | below target | missing to min | missing to target | proposals | reason 0 | share | of the pass | cpu ms/prop scans | cpu ms/prop pass |\n'
printf '|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
before=
for pass in off on; do
  for choice in first first-fitting fitting-only; do
    tot=(0 0 0 0 0 0 0 0 0 0)
    for s in $seeds; do
      # shellcheck disable=SC2086
      "$build/dorvelian-demo" --dir "$work/run" $demo --seed "$s" --force > "$work/demo.out"
      if [ "$pass/$choice" = off/first ]; then
        read -r b1 b2 b3 b4 < <(sqlite3 -separator ' ' "$work/run/db/PLAN.db" "$figures")
        before="$before $b1:$b2:$b3:$b4"
      fi
      params=$(sed -n 's/.*dorvelian dorvelian\.cfg //p' "$work/demo.out" | head -1)
      "$build/dorvelian-config" "$work/run/work/dorvelian.cfg" --minimum-pass "$pass" --person-choice "$choice"
      # shellcheck disable=SC2086
      (cd "$work/run/work" && DORVELIAN_STATS="$work/stats" "$build/dorvelian" dorvelian.cfg $params)
      read -r f1 f2 f3 f4 < <(sqlite3 -separator ' ' "$work/run/db/PLAN.db" "$figures")
      read -r n n0 < <(sqlite3 -separator ' ' "$work/run/db/PLAN.db" \
        "select count(*), coalesce(sum(BdkFnr=0),0) from Dvm735Bdk where BdkErf='OPTIMIERUNG' and BdkSta=9")
      st() { awk -v k="$1" '$1==k{print $2}' "$work/stats"; }
      vals=("$f1" "$f2" "$f3" "$f4" "$n" "$n0" "$(st proposals_minimum_pass)" "$(st cpu_ms_scans)" \
            "$(st cpu_ms_minimum_pass)" "$(st proposals)")
      for i in "${!tot[@]}"; do tot[$i]=$(( tot[i] + vals[i] )); done
    done
    awk -v p="$pass" -v c="$choice" -v a="${tot[*]}" 'BEGIN { split(a, t, " ");
      scan = t[10] - t[7];
      printf "| %s | %s | %d | %d | %d | %d | %d | %d | %.1f %% | %d | %.2f | %s |\n", p, c, t[1], t[2], t[3], t[4],
        t[5], t[6], t[5] ? 100 * t[6] / t[5] : 0, t[7], scan ? t[8] / scan : 0,
        t[7] ? sprintf("%.2f", t[9] / t[7]) : "-" }'
  done
done
# Before any run (the same plans): below min, below target, missing to min, to target.
echo "$before" | awk '{ for (i = 1; i <= NF; i++) { split($i, v, ":"); for (j = 1; j <= 4; j++) b[j] += v[j] } }
  END { printf "| before the run | | %d | %d | %d | %d | | | | | | |\n", b[1], b[2], b[3], b[4] }'
