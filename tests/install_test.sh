#!/bin/sh
# cmake --install into a temporary prefix; the installation is then moved
# elsewhere, and from there the installed demo writes a plan and the
# installed program runs it, both started from working directories outside
# the source and build trees. A demo with no schema folder beside it must
# not find one anywhere else (it has no path of the source tree).
#
#   install_test.sh BUILD
set -u

build=$1
work=$(mktemp -d /tmp/dorvelian-install-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "FAIL: cmake --install"
    exit 1
fi

for f in bin/dorvelian bin/dorvelian-config bin/dorvelian-demo; do
    [ -x "$work/prefix/$f" ] || fail "$f is not installed as a program"
done
for f in share/dorvelian/schema/sqlite/schema.sql share/dorvelian/schema/sqlite/indexes.sql \
    share/dorvelian/schema/sqlite/dvmaster.sql share/dorvelian/schema/postgresql/schema.sql \
    share/dorvelian/schema/postgresql/indexes.sql share/dorvelian/schema/postgresql/dvmaster.sql \
    share/doc/dorvelian/README.md; do
    [ -f "$work/prefix/$f" ] || fail "$f is not installed"
done
# Every program the build made in its top folder is installed.
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
