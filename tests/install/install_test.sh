#!/bin/sh
# Installs the build into a temporary DESTDIR as a package would (prefix
# /usr), checks the installed files, validates the desktop entry and the
# AppStream metainfo, and runs the installed qinghe-cli with no run directory
# and a fresh HOME: its data must go to $HOME/.local/share/qinghe, nothing
# beside the program.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

DESTDIR="$root" cmake --install "$build" --prefix /usr >"$work/install.log" ||
    { cat "$work/install.log"; fail "cmake --install"; }

echo "== installed files"
(cd "$root/usr" && find . -type f | sed 's|^\./||' | sort) |
    sh "$source/desktop/check_installed_files.sh" "$source/desktop/installed-files.txt" ||
    fail "the installed files differ from desktop/installed-files.txt"

echo "== desktop-file-validate, appstreamcli validate"
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entry"
appstreamcli validate --no-net --explain "$root"/usr/share/metainfo/*.metainfo.xml >"$work/as.log" ||
    { cat "$work/as.log"; fail "AppStream metainfo"; }

echo "== the manual page"
if command -v man >/dev/null; then
    MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/qinghe-cli.1.gz" >"$work/man.txt" \
        2>"$work/man.err" || fail "man cannot show the page"
    [ ! -s "$work/man.err" ] || { cat "$work/man.err"; fail "warnings from man"; }
    for command in ledgers entries create-ledger backup backups restore vouchers check add-entry items; do
        grep -q "^   $command\$" "$work/man.txt" || fail "no section for $command in the manual"
    done
fi

echo "== the installed tool keeps its data in the user's folder"
home="$work/home"
mkdir -p "$home"
cli="$root/usr/bin/qinghe-cli"
run() {
    env -u QINGHE_DATA_DIR -u XDG_DATA_HOME HOME="$home" "$cli" "$@"
}
(cd "$work" && run create-ledger 家庭) || fail "create-ledger with no RUNDIR"
data="$home/.local/share/qinghe"
[ -f "$data/books/books.edb" ] || fail "no ledger registry in $data"
ls "$data/data/"家庭.* >/dev/null 2>&1 || fail "no ledger table in $data/data"
(cd "$work" && run ledgers) >"$work/ledgers.json" || fail "ledgers with no RUNDIR"
grep -q '"name":"家庭"' "$work/ledgers.json" || fail "ledgers does not list 家庭: $(cat "$work/ledgers.json")"
(cd "$work" && run backup >/dev/null) || fail "backup with no RUNDIR"
[ -d "$data/backup" ] || fail "no backup in $data"
[ "$(ls "$root/usr/bin")" = "$(printf 'qinghe\nqinghe-cli')" ] ||
    fail "something was written beside the installed program: $(ls "$root/usr/bin")"

echo "== XDG_DATA_HOME, QINGHE_DATA_DIR and --data-dir move it"
env -u QINGHE_DATA_DIR HOME="$home" XDG_DATA_HOME="$work/xdg" "$cli" create-ledger 旅行 ||
    fail "create-ledger under XDG_DATA_HOME"
[ -f "$work/xdg/qinghe/books/books.edb" ] || fail "XDG_DATA_HOME/qinghe not used"
mkdir "$work/given"
env HOME="$home" QINGHE_DATA_DIR="$work/env" "$cli" create-ledger --data-dir "$work/given" 装修 ||
    fail "create-ledger --data-dir"
[ -f "$work/given/books/books.edb" ] || fail "--data-dir not used"
[ ! -e "$work/env" ] || fail "QINGHE_DATA_DIR used over --data-dir"
env HOME="$home" QINGHE_DATA_DIR="$work/env" "$cli" ledgers >/dev/null || fail "QINGHE_DATA_DIR"
[ -d "$work/env" ] || fail "QINGHE_DATA_DIR not used"
echo "install test passed"
