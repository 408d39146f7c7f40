#!/bin/sh
# The README's order of steps: its set-up command's configure and build
# steps in a fresh build tree, then its installation command into a
# temporary prefix. Every program that the full build BUILD made must be
# installed. The installation is then moved elsewhere, and from there the
# installed demo writes a plan and the installed program runs it, both
# started from working directories outside the source and build trees. A
# demo with no schema folder beside it must not find one anywhere else (it
# has no path of the source tree).
#
#   install_test.sh SOURCE BUILD
set -u

src=$1
build=$2
work=$(mktemp -d /tmp/dorvelian-install-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# A command of the README with its build folder and installation prefix
# replaced by the fresh ones (the commands are plain words).
readme_step() {
    printf '%s\n' "$1" | awk -v b="$work/build" -v p="$work/prefix" \
        '{ for (i = 1; i <= NF; i++) { if ($i == "build") $i = b; else if (i > 1 && $(i - 1) == "--prefix") $i = p } print }'
}

setup=$(grep -m1 '^    tools/setup-deps.sh && cmake ' "$src/README.md")
install=$(grep -m1 '^    cmake --install build ' "$src/README.md")
if [ -z "$setup" ] || [ -z "$install" ]; then
    echo "FAIL: the README has no set-up command or no installation command"
    exit 1
fi
# The set-up's cmake steps (the package installation and the demo run are
# left out), then the installation, each from the top of the source tree.
steps=$(printf '%s\n' "$setup" | sed 's/ && /\n/g' | grep '^ *cmake ')
steps=$(printf '%s\n%s\n' "$steps" "$install")
echo "$steps" | while IFS= read -r step; do
    cmd=$(readme_step "$step")
    echo "+ $cmd"
    if ! (cd "$src" && sh -c "$cmd") >"$work/step.log" 2>&1; then
        tail -n 30 "$work/step.log"
        echo "FAIL: README step: ${step#    }"
        exit 1
    fi
done >"$work/steps.log" || {
    cat "$work/steps.log"
    exit 1
}

for f in bin/dorvelian bin/dorvelian-config bin/dorvelian-demo bin/dorvelian-report; do
    [ -x "$work/prefix/$f" ] || fail "$f is not installed as a program"
done
# The benchmarks' forwarder stays in the build tree.
[ ! -e "$work/prefix/bin/dorvelian-forwarder" ] || fail "dorvelian-forwarder is installed"
for f in share/dorvelian/schema/sqlite/schema.sql share/dorvelian/schema/sqlite/indexes.sql \
    share/dorvelian/schema/sqlite/dvmaster.sql share/dorvelian/schema/postgresql/schema.sql \
    share/dorvelian/schema/postgresql/indexes.sql share/dorvelian/schema/postgresql/dvmaster.sql \
    share/doc/dorvelian/README.md; do
    [ -f "$work/prefix/$f" ] || fail "$f is not installed"
done
# Every program that the full build made in its top folder is installed
# after the set-up's build alone.
for p in "$build"/dorvelian*; do
    [ -f "$p" ] && [ -x "$p" ] || continue
    [ -x "$work/prefix/bin/$(basename "$p")" ] || fail "$(basename "$p") was built but not installed"
done

# The installation works wherever it is put.
mv "$work/prefix" "$work/moved"
inst=$work/moved
mkdir "$work/elsewhere"
cd "$work/elsewhere" || exit 1
if ! "$inst/bin/dorvelian-demo" --dir "$work/demo" --days 3 --plangroups 1 --units 2 >"$work/demo.log" 2>&1; then
    cat "$work/demo.log"
    fail "the installed demo did not write its plan"
fi
grep -qF "$inst/bin/dorvelian" "$work/demo.log" || fail "the demo does not name the installed program: $(cat "$work/demo.log")"

if [ -d "$work/demo/work" ]; then
    cd "$work/demo/work" || exit 1
    "$inst/bin/dorvelian" dorvelian.cfg demo 00000000 00000000 PLG JOB0001 KEY0001 00000 00000 00000 PLAN_OPTIM
    rc=$?
    [ "$rc" -eq 0 ] || fail "dorvelian exit code $rc"
    log=$work/demo/zentravis_php/log/dorvelian_PLAN.log
    grep -q '  \*\*\* Programmstart Dorvelian \*\*\*$' "$log" || fail "no start line in the run log"
    grep -q '  \*\*\* Programmende Dorvelian \*\*\*$' "$log" || fail "no end line in the run log"
    ! grep -q -- '-Fehler' "$log" || fail "failure lines in the run log: $(cat "$log")"
    if command -v sqlite3 >/dev/null 2>&1; then
        n=$(sqlite3 "$work/demo/db/PLAN.db" "select count(*) from Dvm735Bdk")
        [ "${n:-0}" -gt 0 ] || fail "the run wrote no proposals"
    fi
fi

# Without a schema folder beside it the demo says so and writes nothing;
# with --schema-dir it works again.
mkdir -p "$work/lonely/bin"
cp "$inst/bin/dorvelian-demo" "$work/lonely/bin/"
cd "$work/elsewhere" || exit 1
"$work/lonely/bin/dorvelian-demo" --dir "$work/demo2" --days 2 --plangroups 1 --units 1 >"$work/lonely.log" 2>&1
rc=$?
[ "$rc" -eq 1 ] || fail "a demo without DDL files: exit code $rc, not 1"
grep -q "schema-dir" "$work/lonely.log" || fail "the message does not name --schema-dir: $(cat "$work/lonely.log")"
[ ! -e "$work/demo2/db" ] || fail "a demo without DDL files wrote $work/demo2/db"
"$work/lonely/bin/dorvelian-demo" --dir "$work/demo2" --days 2 --plangroups 1 --units 1 --schema-dir /nonexistent \
    >"$work/lonely.log" 2>&1
rc=$?
[ "$rc" -eq 2 ] || fail "a wrong --schema-dir: exit code $rc, not 2"
"$work/lonely/bin/dorvelian-demo" --dir "$work/demo2" --days 2 --plangroups 1 --units 1 \
    --schema-dir "$inst/share/dorvelian/schema" >"$work/lonely.log" 2>&1
rc=$?
[ "$rc" -eq 0 ] || fail "the demo with --schema-dir: exit code $rc: $(cat "$work/lonely.log")"
[ -f "$work/demo2/db/PLAN.db" ] || fail "the demo with --schema-dir wrote no plan"

if [ "$failures" -ne 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "installation: all cases passed"
