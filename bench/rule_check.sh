#!/usr/bin/env bash
# Rule-check benchmark: on demo plans of the given lengths and seeds, one run
# each with the run settings as-before/first, after-move/first and
# after-move/first-fitting (dorvelian-config --rule-check, --person-choice),
# every run on a fresh copy of the plan. Per run: proposals, share of them
# with reason code 0, slots below minimum and below target after the run (the
# report's classes of the effective staffing with the open proposals), and
# the processor time per proposal from the run summary (DORVELIAN_STATS).
#
#   bench/rule_check.sh [--build DIR] [--days "7 14"] [--seeds "1 2 3"] [--repeat N]
#
# --repeat  runs per plan and setting for the processor time; the smallest is
#           reported (default 3: the machine may be shared)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$src/build
days="7 14"
seeds="1 2 3"
repeat=3
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --days) days=$2; shift 2 ;;
    --seeds) seeds=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
work=$(mktemp -d /tmp/dorvelian-rulecheck.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The report's count of a staffing class after the proposals (-2 below
# minimum, -1 below target and at least the minimum).
klasse() {
  grep -o "data-stufe=\"$2\">.*</tr>" "$1" | grep -o 'data-n="nach">[0-9]*' | grep -o '[0-9]*$'
}

printf '%-5s %-4s %-26s %9s %8s %7s %9s %9s %12s\n' days seed setting proposals reason0 share below_min below_tgt cpu_ms/prop
for d in $days; do
  for s in $seeds; do
    for setting in as-before/first after-move/first after-move/first-fitting; do
      best=
      for r in $(seq "$repeat"); do
        # The demo is the same plan for the same seed; its configuration
        # names its own folder, so each run gets a freshly generated one.
        "$build/dorvelian-demo" --dir "$work/run" --days "$d" --seed "$s" --force > "$work/demo.out"
        params=$(sed -n 's/.*dorvelian dorvelian\.cfg //p' "$work/demo.out" | head -1)
        "$build/dorvelian-config" "$work/run/work/dorvelian.cfg" --rule-check "${setting%/*}" --person-choice "${setting#*/}"
        (cd "$work/run/work" && DORVELIAN_STATS="$work/stats" "$build/dorvelian" dorvelian.cfg $params)
        cpu=$(awk '$1=="cpu_ms"{print $2}' "$work/stats")
        if [ -z "$best" ] || [ "$cpu" -lt "$best" ]; then best=$cpu; fi
      done
      read -r n n0 < <(sqlite3 -separator ' ' "$work/run/db/PLAN.db" \
        "select count(*), coalesce(sum(BdkFnr=0),0) from Dvm735Bdk where BdkErf='OPTIMIERUNG' and BdkSta=9")
      (cd "$work/run/work" && "$build/dorvelian-report" --output "$work/report.html" dorvelian.cfg)
      unten=$(klasse "$work/report.html" -2)
      knapp=$(klasse "$work/report.html" -1)
      awk -v d="$d" -v s="$s" -v set="$setting" -v n="$n" -v n0="$n0" -v u="$unten" -v k="$knapp" -v c="$best" \
        'BEGIN { printf "%-5s %-4s %-26s %9d %8d %6.1f%% %9d %9d %12.2f\n", d, s, set, n, n0, n ? 100*n0/n : 0, u, u+k, n ? c/n : 0 }'
    done
  done
done
