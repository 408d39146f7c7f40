#!/bin/sh
# The set-up script against a made-up package database (DPKG_ADMINDIR) and
# a fake apt-get and sudo that only record their calls, as root and as the
# user "nobody". Nothing is installed. The PATH holds only the tools the
# script needs, so that a real sudo or apt-get of this machine never runs.
#
#   setup_deps_test.sh tools/setup-deps.sh
set -u

script=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d /tmp/dorvelian-setup-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
# The user "nobody" may not reach the checkout (a clone in a private folder),
# so the script under test runs from a copy in the open work folder.
cp "$script" "$work/setup-deps.sh"
chmod 755 "$work/setup-deps.sh"
script=$work/setup-deps.sh
failures=0
setpriv=$(command -v setpriv || true)

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Tools of the bare PATH; sudo only in the second one.
mkdir -p "$work/bin" "$work/bin-sudo" "$work/db"
for t in id sed grep dpkg-query env; do
    ln -s "$(command -v "$t")" "$work/bin/$t"
done
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/sh
echo "apt-get $*" >>"$FAKE_LOG"
case " $* " in
    *" -s "*) [ -f "$FAKE_PLAN" ] && while IFS= read -r l; do printf '%s\n' "$l"; done <"$FAKE_PLAN" ;;
esac
exit 0
EOF
cat >"$work/bin-sudo/sudo" <<'EOF'
#!/bin/sh
echo "sudo $*" >>"$FAKE_LOG"
exec "$@"
EOF
chmod 755 "$work/bin/apt-get" "$work/bin-sudo/sudo"
export FAKE_LOG="$work/log" FAKE_PLAN="$work/plan"

# A package database in which exactly the named packages are installed.
database() {
    : >"$work/db/status"
    for p in "$@"; do
        printf 'Package: %s\nStatus: install ok installed\nVersion: 1\nArchitecture: all\nMaintainer: x\nDescription: x\n\n' \
            "$p" >>"$work/db/status"
    done
}
export DPKG_ADMINDIR="$work/db"

# run AS PATHDIRS ARGS...: the script as root or nobody with that PATH;
# stdout and stderr to $work/out, the exit code to $rc, a fresh call log.
run() {
    who=$1 path=$2
    shift 2
    : >"$FAKE_LOG"
    chmod 666 "$FAKE_LOG"
    if [ "$who" = root ]; then
        PATH=$path "$script" "$@" >"$work/out" 2>&1
    elif [ "$(id -u)" -eq 0 ]; then
        PATH=$path "$setpriv" --reuid=65534 --regid=65534 --clear-groups "$script" "$@" >"$work/out" 2>&1
    else
        PATH=$path "$script" "$@" >"$work/out" 2>&1
    fi
    rc=$?
}

expect_rc() { [ "$rc" = "$1" ] || fail "$2: exit code $rc, not $1: $(cat "$work/out")"; }
expect_out() { grep -qxF -- "$1" "$work/out" || fail "$2: no line '$1' in: $(cat "$work/out")"; }
expect_no_out() { ! grep -qF -- "$1" "$work/out" || fail "$2: '$1' in: $(cat "$work/out")"; }
expect_calls() {
    printf '%s' "$1" >"$work/want"
    if ! cmp -s "$work/want" "$FAKE_LOG"; then
        fail "$2: calls were
$(cat "$FAKE_LOG")
not
$1"
    fi
}

all_build="g++ make cmake pkg-config libsqlite3-dev libpq-dev libgtest-dev libgmock-dev sqlite3"
# What --test wants beside the server and useradd: the report test's browser and PNG reader.
test_tools="libpng-dev chromium"
opts="-y -q --no-install-recommends --no-upgrade"
apt="env DEBIAN_FRONTEND=noninteractive apt-get"
rm -f "$FAKE_PLAN"

if [ "$(id -u)" -eq 0 ]; then
    # A fresh machine, as root: everything is missing, no sudo anywhere.
    database
    run root "$work/bin" --dry-run --test
    expect_rc 0 "fresh, root, dry run"
    expect_out "setup-deps: missing packages: $all_build postgresql passwd $test_tools" "fresh, root, dry run"
    expect_out "setup-deps: would run: $apt install $opts $all_build postgresql passwd $test_tools" "fresh, root, dry run"
    expect_no_out sudo "fresh, root, dry run"
    expect_calls "" "fresh, root, dry run"

    # Root with some packages there and another server version installed:
    # only the rest is named, no second server beside postgresql-16.
    database make cmake libpq-dev postgresql-16 postgresql-16-jit passwd $test_tools
    run root "$work/bin" --dry-run --test
    expect_out "setup-deps: missing packages: g++ pkg-config libsqlite3-dev libgtest-dev libgmock-dev sqlite3" \
        "partial, root, dry run"

    # Without --test the server is not wanted; a server's extension package
    # alone is no server.
    database $all_build postgresql-16-jit $test_tools
    run root "$work/bin" --dry-run
    expect_out "setup-deps: all packages are installed" "build set only"
    run root "$work/bin" --dry-run --test
    expect_out "setup-deps: missing packages: postgresql passwd" "extension package is no server"

    # A real run as root installs the missing packages, without sudo, after
    # refreshing the lists and simulating.
    database $all_build postgresql-15 passwd $test_tools
    run root "$work/bin" --test clang
    expect_rc 0 "root, install"
    expect_calls "apt-get update -q
apt-get install -s $opts clang
apt-get install $opts clang
" "root, install"

    # Everything installed: not even the lists are refreshed.
    run root "$work/bin" --test
    expect_rc 0 "root, complete"
    expect_calls "" "root, complete"
fi

# A user with sudo: the same, each changing call through sudo; the
# simulation needs no privileges.
database make
run user "$work/bin:$work/bin-sudo" --dry-run
expect_rc 0 "user, dry run"
expect_out "setup-deps: would run: sudo $apt update -q" "user, dry run"
expect_out "setup-deps: would run: sudo $apt install $opts g++ cmake pkg-config libsqlite3-dev libpq-dev libgtest-dev libgmock-dev sqlite3" "user, dry run"
expect_calls "" "user, dry run"

run user "$work/bin:$work/bin-sudo" libbenchmark-dev
expect_rc 0 "user, install"
missing="g++ cmake pkg-config libsqlite3-dev libpq-dev libgtest-dev libgmock-dev sqlite3 libbenchmark-dev"
expect_calls "sudo $apt update -q
apt-get update -q
apt-get install -s $opts $missing
sudo $apt install $opts $missing
apt-get install $opts $missing
" "user, install"

# An install that would upgrade an installed library is refused before
# anything is installed.
cat >"$FAKE_PLAN" <<'EOF'
Inst libpq5 [15.1-1] (15.18-0+deb12u1 Debian:12.11/stable [amd64])
Inst libpq-dev (15.18-0+deb12u1 Debian:12.11/stable [amd64])
Conf libpq5 (15.18-0+deb12u1 Debian:12.11/stable [amd64])
EOF
database $all_build
run user "$work/bin:$work/bin-sudo" --test
expect_rc 1 "upgrade refused"
expect_out "  libpq5 15.1-1" "upgrade refused"
expect_no_out "  libpq-dev" "upgrade refused"
expect_calls "sudo $apt update -q
apt-get update -q
apt-get install -s $opts postgresql passwd $test_tools
" "upgrade refused"
rm -f "$FAKE_PLAN"

# A user without sudo is told so; nothing runs.
run user "$work/bin" --test
expect_rc 2 "user without sudo"
expect_out "setup-deps: run as root or install sudo to install them" "user without sudo"
expect_calls "" "user without sudo"

# Misuse.
run user "$work/bin" --frobnicate
expect_rc 2 "unknown option"
expect_out "setup-deps: unknown option --frobnicate" "unknown option"

if [ "$failures" -ne 0 ]; then
    echo "$failures failures"
    exit 1
fi
[ "$(id -u)" -eq 0 ] || echo "the cases as root did not run (not root)"
echo "set-up script: all cases passed"
