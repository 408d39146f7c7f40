#!/bin/sh
# Installs the Debian packages the project needs that are not installed yet.
#
#   tools/setup-deps.sh [--test] [--dry-run] [PACKAGE...]
#
#   (no option)  what building and running the programs and the demo needs
#   --test       also what the whole test suite needs (the database server
#                programs for the server-backend cases)
#   --dry-run    print what is missing and the commands that would install
#                it; change nothing
#   PACKAGE...   further packages to install when missing (CI's extras)
#
# Only missing packages are named to apt-get, with --no-upgrade and
# --no-install-recommends, so that nothing installed is upgraded. Should
# apt-get still want to upgrade an installed package to satisfy a
# dependency (a new -dev package needing a newer library), the script names
# those packages and stops before installing anything.
#
# Runs apt-get directly as root (a container without sudo) and through sudo
# otherwise. The package lists are refreshed (apt-get update) only when
# something is missing.
#
# Exit codes: 0 everything is there (or, with --dry-run, the report was
# printed); 1 installing failed or would upgrade installed packages; 2 usage
# error, or neither root nor sudo.
#
# DPKG_ADMINDIR, as for dpkg itself, names the package database to read.
set -eu

# What the build, the programs and the demo need. make is named because
# --no-install-recommends leaves it out; sqlite3 shows the demo's rows.
BUILD_PACKAGES="g++ make cmake pkg-config libsqlite3-dev libpq-dev libgtest-dev libgmock-dev sqlite3"
# What the test suite needs on top: the database server programs (initdb,
# pg_ctl, psql) for the private test cluster, and useradd for the cluster's
# system user when the tests run as root. The server counts as present when
# any postgresql-NN is installed, so that no other major version is added
# beside it. Add here what further test cases need: libpng-dev and chromium
# for the test that renders the planners' report in a browser and reads the
# screenshot (it skips without them).
TEST_PACKAGES="postgresql passwd libpng-dev chromium"

usage() {
    sed -n '4,11p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

dry_run=0
with_tests=0
extra=""
for arg in "$@"; do
    case "$arg" in
        --dry-run) dry_run=1 ;;
        --test) with_tests=1 ;;
        -h | --help) usage ;;
        -*) echo "setup-deps: unknown option $arg" >&2; usage ;;
        *) extra="$extra $arg" ;;
    esac
done

# 0 when the package is installed (not merely known or half-removed).
installed() {
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true)" = installed ]
}

# 0 when the server programs of some major version are installed.
server_installed() {
    if [ -n "${PG_BIN:-}" ] && [ -x "$PG_BIN/initdb" ]; then return 0; fi
    dpkg-query -W -f='${Package} ${db:Status-Status}\n' 'postgresql-[0-9]*' 2>/dev/null |
        grep -Eq '^postgresql-[0-9]+ installed$'
}

wanted="$BUILD_PACKAGES"
if [ "$with_tests" = 1 ]; then wanted="$wanted $TEST_PACKAGES"; fi
wanted="$wanted$extra"

missing=""
for p in $wanted; do
    case " $missing " in *" $p "*) continue ;; esac
    if [ "$p" = postgresql ]; then
        server_installed && continue
    elif installed "$p"; then
        continue
    fi
    missing="$missing $p"
done
missing=${missing# }

if [ -z "$missing" ]; then
    echo "setup-deps: all packages are installed"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif command -v sudo >/dev/null 2>&1; then
    as_root="sudo"
else
    echo "setup-deps: missing packages: $missing" >&2
    echo "setup-deps: run as root or install sudo to install them" >&2
    exit 2
fi

apt="${as_root:+$as_root }env DEBIAN_FRONTEND=noninteractive apt-get"
install_opts="-y -q --no-install-recommends --no-upgrade"

echo "setup-deps: missing packages: $missing"
if [ "$dry_run" = 1 ]; then
    echo "setup-deps: would run: $apt update -q"
    echo "setup-deps: would run: $apt install $install_opts $missing"
    exit 0
fi

# shellcheck disable=SC2086  # word splitting of the lists is intended
$apt update -q >/dev/null || { echo "setup-deps: apt-get update failed" >&2; exit 1; }

# A simulated installation names every package it would touch; "Inst P [V]"
# is an installed package P of version V that would be replaced.
# shellcheck disable=SC2086
plan=$(apt-get install -s $install_opts $missing) || {
    printf '%s\n' "$plan" >&2
    echo "setup-deps: apt-get cannot install: $missing" >&2
    exit 1
}
upgrades=$(printf '%s\n' "$plan" | sed -n 's/^Inst \([^ ]*\) \[\([^]]*\)\].*/\1 \2/p')
if [ -n "$upgrades" ]; then
    echo "setup-deps: installing $missing would upgrade installed packages:" >&2
    printf '%s\n' "$upgrades" | sed 's/^/  /' >&2
    echo "setup-deps: nothing installed; upgrade those yourself or install the missing packages by hand" >&2
    exit 1
fi

# shellcheck disable=SC2086
$apt install $install_opts $missing || { echo "setup-deps: apt-get install failed" >&2; exit 1; }
echo "setup-deps: installed: $missing"
