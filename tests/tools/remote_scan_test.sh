#!/usr/bin/env bash
# harrowdale-scan --remote through a private OpenSSH server on a loopback port: a
# throwaway host key and user key, its configuration and everything else in a folder of
# this test's own, stopped at the end. The remote command runs through a ForceCommand
# that sets its PATH from a file, so each case chooses what the "remote machine" has.
#
#   remote_scan_test.sh HARROWDALE-SCAN
set -u
scan=$1

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip() {
    echo "SKIP: $*"
    exit 77
}

source "$(dirname "$0")/../support/private_sshd.sh"

dir=$(mktemp -d)
cleanup() {
    private_sshd_stop
    rm -rf "$dir"
}
trap cleanup EXIT

mkdir "$dir/bin-full" "$dir/bin-ncdu" "$dir/bin-none" "$dir/bin-fake"
ln -s "$(cd "$(dirname "$scan")" && pwd)/$(basename "$scan")" "$dir/bin-full/harrowdale-scan"
ncdu=$(command -v ncdu || true)
[[ -n $ncdu ]] && ln -s "$ncdu" "$dir/bin-ncdu/ncdu"
echo "$dir/bin-full" >"$dir/remote-path"
cat >"$dir/force" <<FORCE
#!/bin/sh
PATH=\$(cat '$dir/remote-path')
export PATH
exec /bin/sh -c "\$SSH_ORIGINAL_COMMAND"
FORCE
chmod 755 "$dir/force"

private_sshd_start "$dir" "$dir/force"
case $? in
0) ;;
77) skip "$private_sshd_why" ;;
*) fail "sshd did not start: $private_sshd_why" ;;
esac
cfg=(--ssh-config "$dir/ssh_config")

# The tree the "remote machine" holds, and one whose name takes every quoting rule.
tree=$dir/tree
mkdir -p "$tree/sub"
head -c 3000 /dev/zero >"$tree/a.bin"
head -c 700 /dev/zero >"$tree/sub/b.txt"
head -c 700 /dev/zero >"$tree/sub/B.TXT"
odd=$tree/$'it\'s "odd" $(touch PWNED) `touch PWNED2`\nline two'
mkdir "$odd"
head -c 123 /dev/zero >"$odd/c.dat"

remote() {
    echo "$2" >"$dir/remote-path"
    "$scan" --no-progress "${cfg[@]}" --remote "$1" "${@:3}"
}
# The number of a top-level field of a JSON report.
json_field() { sed -n "s/^  \"$1\": \([0-9]*\),\$/\1/p" <<<"$2"; }

# --- harrowdale-scan on the remote machine: the report is the local one, byte for byte.
local_report=$("$scan" --json --no-progress "$tree") || fail "local scan"
out=$(remote "testhost:$tree" "$dir/bin-full" --json) || fail "remote scan: $out"
[[ $out == "$local_report" ]] || fail "remote report differs:
$out
--- local:
$local_report"

# --- an IPv6 address in brackets reaches the same server.
if [[ -n $private_sshd_ipv6 ]]; then
    out=$(remote "[::1]:$private_sshd_port:$tree" "$dir/bin-full" --json) || fail "[::1]: $out"
    [[ $out == "$local_report" ]] || fail "the report through [::1] differs: $out"
else
    echo "note: no IPv6 loopback here, the [::1] case is skipped"
fi

# --- a name with blanks, quotes, \$(...), backquotes and a newline is scanned as it is.
out=$(remote "testhost:$odd" "$dir/bin-full" --json) || fail "odd name: $out"
grep -qF '"root": "'"$tree"'/it'"'"'s \"odd\" $(touch PWNED) `touch PWNED2`\nline two"' <<<"$out" ||
    fail "odd name reported as: $out"
[[ $(json_field bytes "$out") == 123 ]] || fail "odd name's bytes: $out"
if ls "$HOME"/PWNED* "$dir"/PWNED* "$tree"/PWNED* 2>/dev/null | grep -q .; then
    fail "the remote path ran a command"
fi

# --- only ncdu there: it scans, and counts as harrowdale-scan does on this tree.
if [[ -n $ncdu ]]; then
    out=$(remote "testhost:$tree" "$dir/bin-ncdu" --json) || fail "ncdu scan: $out"
    for field in files bytes dirs; do
        [[ $(json_field $field "$out") == $(json_field $field "$local_report") ]] ||
            fail "ncdu's $field: $out"
    done
else
    echo "note: no ncdu here, the ncdu case is skipped"
fi

# --- several scans as one: each a top-level folder, totals added up.
out=$(remote "testhost:$tree" "$dir/bin-full" --json --remote "testhost:$tree/sub") ||
    fail "two remote scans: $out"
[[ $(json_field files "$out") == 6 ]] || fail "joined files: $out"
grep -q '"scans": 2' <<<"$out" || fail "a duplicate across scans is not marked: $out"

# --- errors: one line each, status 2, nothing on standard output.
expect_error() {
    local what=$1 message=$2
    shift 2
    local err status
    err=$("$@" 2>&1 >"$dir/out")
    status=$?
    [[ $status == 2 ]] || fail "$what: status $status: $err"
    grep -qF -- "$message" <<<"$err" || fail "$what: said: $err"
    [[ $(wc -l <<<"$err") == 1 ]] || fail "$what: more than one line: $err"
    [[ ! -s $dir/out ]] || fail "$what: wrote a report"
}
expect_error "no scanner" \
    "harrowdale-scan: No scanner found on testhost: install harrowdale-scan, ncdu or gdu there." \
    remote "testhost:$tree" "$dir/bin-none"
expect_error "a key refused" "wrongkey refused the login" remote "wrongkey:$tree" "$dir/bin-full"
expect_error "an unknown host key" "The host key of unknownkey is not known" \
    remote "unknownkey:$tree" "$dir/bin-full"
expect_error "a host nobody answers on" "Cannot reach closedhost: " \
    remote "closedhost:$tree" "$dir/bin-full"
expect_error "the remote command's own error" \
    "The scan on testhost failed: harrowdale-scan: $dir/missing: Folder does not exist." \
    remote "testhost:$dir/missing" "$dir/bin-full"
expect_error "no ssh" "The ssh program was not found" \
    env PATH=/nonexistent "$scan" --no-progress --remote "testhost:$tree"
expect_error "an option for a host" "Not a host name" "$scan" --remote "-oProxyCommand=x:/"

# --- a stream cut in the middle.
cat >"$dir/bin-fake/harrowdale-scan" <<'FAKE'
#!/bin/sh
printf '[1,2,{"progname":"harrowdale"},\n[{"name":"/cut"},{"name":"a","asize":1},'
[ -n "$SLOW" ] || exit 0
FAKE
chmod 755 "$dir/bin-fake/harrowdale-scan"
expect_error "a cut stream" "The scan of testhost:$tree was cut off" \
    remote "testhost:$tree" "$dir/bin-fake"

# --- Stop (Ctrl+C) in the middle: ssh and the remote scanner end at once.
cat >"$dir/bin-fake/harrowdale-scan" <<FAKE
#!/bin/sh
printf '[1,2,{"progname":"harrowdale"},\n[{"name":"/slow"},{"name":"a","asize":1},'
echo \$\$ >'$dir/slow.pid'
exec $(command -v sleep) 300
FAKE
echo "$dir/bin-fake" >"$dir/remote-path"
"$scan" --no-progress "${cfg[@]}" --remote "testhost:$tree" >/dev/null 2>"$dir/stop.err" &
scan_pid=$!
for _ in $(seq 200); do
    [[ -s $dir/slow.pid ]] && break
    sleep 0.05
done
[[ -s $dir/slow.pid ]] || fail "the slow scanner did not start: $(cat "$dir/stop.err")"
sleep 0.2
start=$(date +%s%N)
kill -INT "$scan_pid"
wait "$scan_pid"
status=$?
end=$(date +%s%N)
[[ $status == 130 ]] || fail "Stop ended with status $status: $(cat "$dir/stop.err")"
grep -q "Cancelled by user" "$dir/stop.err" || fail "Stop said: $(cat "$dir/stop.err")"
slow=$(cat "$dir/slow.pid")
# Ended, though maybe not yet reaped by whoever inherited it (a zombie runs nothing).
running() {
    local stat
    read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
    stat=${stat##*) }
    [[ ${stat:0:1} != Z ]]
}
for _ in $(seq 500); do
    running "$slow" || break
    sleep 0.01
done
running "$slow" && fail "the remote scanner outlived Stop"
gone=$(date +%s%N)
echo "Stop: harrowdale-scan ended $(((end - start) / 1000000)) ms after Ctrl+C," \
    "the remote scanner $(((gone - start) / 1000000)) ms after"
echo "ok"
