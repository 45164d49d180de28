#!/bin/sh
# A short attack on qinghe-cli, as CI runs it: a few hundred adds with and
# without pictures killed at random moments (SIGKILL after a few
# milliseconds), writes failed by a file-size limit (EFBIG, as a full disk
# fails them), two writers at once, and bad inputs (random bytes and a FIFO as
# a picture, impossible dates and amounts). Afterwards the ledger is checked:
#   - every add the tool acknowledged (exit 0) is there, exactly once;
#   - every add it said failed (exit 1, not killed) is not there;
#   - one that was killed is there at most once;
#   - `check` finds the table clean, and nothing is left behind: no
#     temporary folder, no empty change log, no table being built.
# Usage: sh scripts/attack.sh [ROUNDS]   (QINGHE_CLI names the tool; default
# build/qinghe-cli). Exit 0 when everything holds.
set -u
cd "$(dirname "$0")/.."
cli=${QINGHE_CLI:-build/qinghe-cli}
rounds=${1:-160}
[ -x "$cli" ] || { echo "attack: no tool at $cli" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/qinghe-attack-XXXXXX")
trap 'rm -rf "$work"' EXIT
run="$work/run"
export TMPDIR="$work/tmp" XDG_CACHE_HOME="$work/cache"
mkdir -p "$run" "$TMPDIR"
log="$work/outcomes"
: >"$log"
failures=0
# What the attack finds goes to the standard error it was given (3); what the
# shell says of the processes it kills goes with the tool's messages.
exec 3>&2
fail() {
    echo "attack: $*" >&3
    failures=$((failures + 1))
}

# Little-endian bytes of a number, as printf escapes.
le() {
    n=$1 count=$2 out=""
    while [ "$count" -gt 0 ]; do
        out="$out\\$(printf '%03o' $((n % 256)))"
        n=$((n / 256)) count=$((count - 1))
    done
    printf "$out"
}
# A black 24-bit BMP of W x H pixels.
bmp() {
    row=$(((24 * $1 + 31) / 32 * 4))
    pixels=$((row * $2))
    {
        printf 'BM'; le $((54 + pixels)) 4; le 0 4; le 54 4
        le 40 4; le "$1" 4; le "$2" 4; le 1 2; le 24 2; le 0 4; le "$pixels" 4
        le 2835 4; le 2835 4; le 0 4; le 0 4
        head -c "$pixels" /dev/zero
    } >"$3"
}
bmp 4 4 "$work/small.bmp"
bmp 300 300 "$work/large.bmp"
head -c 5000 /dev/urandom >"$work/random.bin"
mkfifo "$work/fifo"

"$cli" create-ledger "$run" 家庭 >/dev/null 2>&1 || { echo "attack: no ledger" >&2; exit 1; }
entry="1 --date 2015-05-12 --direction expense --item 餐饮 --member 妈妈"

# One add of amount $1 (unique), killed after $2 seconds (0: never), under a
# file-size limit of $3 blocks (0: none); its outcome goes to the log.
add() {
    amount=$1 kill=$2 limit=$3
    shift 3
    # The shell's own "Killed" notice goes where the tool's messages go.
    { (
        exec >/dev/null 2>>"$work/stderr"
        trap '' XFSZ
        [ "$limit" -gt 0 ] && ulimit -f "$limit"
        if [ "$kill" = 0 ]; then
            exec "$cli" add-entry "$run" $entry --amount "$amount" "$@"
        else
            exec timeout -s KILL "$kill" "$cli" add-entry "$run" $entry --amount "$amount" "$@"
        fi
    ); } 2>>"$work/stderr"
    code=$?
    echo "$amount $code" >>"$log"
}

start=$(date +%s)
i=0
exec 2>>"$work/stderr"
while [ "$i" -lt "$rounds" ]; do
    i=$((i + 1))
    amount=$((1000 + i))
    r=$(od -An -N2 -tu2 /dev/urandom | tr -d ' ')
    delay=0.0$((r % 60 + 5))
    case $((r % 8)) in
        0 | 1) add "$amount" "$delay" 0 ;;
        2) add "$amount" "$delay" 0 --voucher "$work/small.bmp" ;;
        3) add "$amount" "$delay" 0 --voucher "$work/large.bmp" ;;
        4)
            # The disk as good as full (a file-size limit, in 512-byte blocks,
            # a little above the largest file and the change log's area): the
            # picture cannot be written.
            largest=$(du -k "$run"/data/* | sort -n | tail -n 1 | cut -f 1)
            [ "$largest" -gt 1040 ] || largest=1040
            add "$amount" 0 $((largest * 2 + 16)) --voucher "$work/large.bmp"
            ;;
        5)
            # Two writers at once: the second waits for the first.
            add "$amount" 0 0 &
            add "$((amount + 100000))" 0 0 --voucher "$work/small.bmp"
            wait
            ;;
        6)
            # Bad pictures: refused at once, never a hang.
            timeout 10 "$cli" add-entry "$run" $entry --amount "$amount" \
                --voucher "$work/random.bin" >/dev/null 2>&1
            code=$?
            [ "$code" = 1 ] || fail "random bytes as a picture: exit $code"
            echo "$amount $code" >>"$log"
            timeout 10 "$cli" add-entry "$run" $entry --amount "$((amount + 200000))" \
                --voucher "$work/fifo" >/dev/null 2>&1
            code=$?
            [ "$code" = 1 ] || fail "a FIFO as a picture: exit $code"
            echo "$((amount + 200000)) $code" >>"$log"
            ;;
        7)
            # Impossible input: refused, nothing written.
            "$cli" add-entry "$run" 1 --date 2015-13-45 --direction expense --item x \
                --member y --amount "$amount" >/dev/null 2>&1
            [ $? = 2 ] || fail "an impossible date was not a usage error"
            "$cli" add-entry "$run" 9 --date 2015-05-12 --direction expense --item x \
                --member y --amount "$amount" >/dev/null 2>&1
            [ $? = 1 ] || fail "a ledger that does not exist was not refused"
            ;;
    esac
done

exec 2>&3
# A last writer finishes what the kills left, as the next start would.
add 999999 0 0
listing=$("$cli" entries "$run" 1 2>"$work/entries.err") || fail "entries failed"
"$cli" check "$run/data/家庭.edb" >"$work/check" 2>&1 || fail "check: $(cat "$work/check")"
"$cli" check "$run/books/books.edb" >"$work/check" 2>&1 || fail "check: $(cat "$work/check")"

kills=0 acknowledged=0 refused=0
while read -r amount code; do
    found=$(printf '%s\n' "$listing" | grep -c "\"amount\":\"$amount\"")
    case $code in
        0)
            acknowledged=$((acknowledged + 1))
            [ "$found" = 1 ] || fail "add of $amount acknowledged, found $found times"
            ;;
        137)
            kills=$((kills + 1))
            [ "$found" -le 1 ] || fail "add of $amount killed, found $found times"
            ;;
        *)
            refused=$((refused + 1))
            [ "$found" = 0 ] || fail "add of $amount said failed (exit $code), found $found times"
            ;;
    esac
done <"$log"

leftovers=$(find "$run" "$TMPDIR" -mindepth 1 \( -name '*.new' -o -name '*.new-log' \
    -o \( -name '*-log' -size 0 \) -o -name 'qinghe-cli-*' \) -print)
[ -z "$leftovers" ] || fail "left behind: $leftovers"

echo "attack: $rounds rounds in $(($(date +%s) - start)) s: $acknowledged acknowledged," \
    "$kills killed, $refused refused; $failures failures"
[ "$failures" = 0 ]
