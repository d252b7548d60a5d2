#!/usr/bin/env bash
# A scan of another machine against a scan here: harrowdale-scan --remote through a
# private OpenSSH server on a loopback port (the "remote machine" is this one) against a
# local scan (with its report, as the remote one has) plus the export the remote side
# writes, on the benchmark tree; and the peak memory per entry of the remote scan against
# reading the same scan file.
#
#   remote_bench.sh HARROWDALE-SCAN [TREE] [RUNS]
#
# TREE defaults to /tmp/harrowdale-bench-tree (made by harrowdale-bench), RUNS to 3; the
# figures are medians. The target: the remote scan at most 1.5 x the local scan plus export.
set -u
scan=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
tree=${2:-/tmp/harrowdale-bench-tree}
runs=${3:-3}
[[ -d $tree ]] || {
    echo "no tree at $tree: run harrowdale-bench once, or name one" >&2
    exit 2
}
[[ -x /usr/bin/time ]] || {
    echo "needs /usr/bin/time (Debian's time) for the peak memory" >&2
    exit 2
}
source "$(dirname "$0")/../../tests/support/private_sshd.sh"

dir=$(mktemp -d)
trap 'private_sshd_stop; rm -rf "$dir"' EXIT
mkdir "$dir/bin"
ln -s "$scan" "$dir/bin/harrowdale-scan"
cat >"$dir/force" <<FORCE
#!/bin/sh
PATH='$dir/bin':/usr/bin:/bin
export PATH
exec /bin/sh -c "\$SSH_ORIGINAL_COMMAND"
FORCE
chmod 755 "$dir/force"
private_sshd_start "$dir" "$dir/force" || {
    echo "cannot start sshd: $private_sshd_why" >&2
    exit 2
}

# Seconds and peak kilobytes of one command, its output thrown away.
measure() {
    /usr/bin/time -f "%e %M" -o "$dir/time" "$@" >/dev/null 2>"$dir/err" ||
        { echo "failed: $* $(cat "$dir/err")" >&2; exit 1; }
    cat "$dir/time"
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

"$scan" --no-progress --export "$dir/tree.json" "$tree" >/dev/null || exit 1
entries=$("$scan" --json --import "$dir/tree.json" | sed -n 's/^  "\(files\|dirs\)": \([0-9]*\),$/\2/p' |
    awk '{n += $1} END {print n}')

: >"$dir/local" && : >"$dir/remote" && : >"$dir/import" && : >"$dir/login" && : >"$dir/cat"
: >"$dir/ratio"
for ((i = 0; i < runs; i++)); do
    # Shown and exported: the remote side's report is built here as the local one is, so
    # the local scan builds its report too.
    measure "$scan" --no-progress --json --export "$dir/local.json" "$tree" >>"$dir/local"
    measure "$scan" --no-progress --json --ssh-config "$dir/ssh_config" \
        --remote "testhost:$tree" >>"$dir/remote"
    # The machine is shared: a ratio of two figures taken side by side is steadier than
    # one of two medians.
    paste -d' ' <(tail -n1 "$dir/local") <(tail -n1 "$dir/remote") |
        awk '{printf "%.3f\n", $3 / $1}' >>"$dir/ratio"
    # Where the time goes, each part alone: a connection before any scan (key exchange,
    # login, the remote user's shell start-up: a slow ~/.bashrc shows here), the scan
    # file through ssh, and reading it here (parsing, building the tree, the report).
    measure ssh -F "$dir/ssh_config" testhost true >>"$dir/login"
    measure ssh -F "$dir/ssh_config" testhost cat "$dir/tree.json" >>"$dir/cat"
    measure "$scan" --no-progress --json --import "$dir/tree.json" >>"$dir/import"
done
seconds() { cut -d' ' -f1 "$dir/$1" | median; }
local_s=$(seconds local)
remote_s=$(seconds remote)
remote_kb=$(cut -d' ' -f2 "$dir/remote" | median)
import_kb=$(cut -d' ' -f2 "$dir/import" | median)
echo "tree: $tree, $entries entries, $(stat -c %s "$dir/tree.json") bytes of scan file," \
    "$runs runs (medians), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "local scan + export:           $local_s s (--json --export: scan, report, scan file)"
echo "remote scan through ssh:       $remote_s s ($(median <"$dir/ratio") x as a median of" \
    "the runs' ratios; target at most 1.5 x)"
echo "  ssh login alone:             $(seconds login) s (ssh testhost true)"
echo "  the scan file through ssh:   $(seconds cat) s (ssh testhost cat, login included)"
echo "  reading it here:             $(seconds import) s (--json --import: parse, tree, report)"
echo "peak memory, remote scan:      $(awk -v k="$remote_kb" -v n="$entries" \
    'BEGIN {printf "%.1f", k * 1024 / n}') bytes per entry (of the process here)"
echo "peak memory, scan file read:   $(awk -v k="$import_kb" -v n="$entries" \
    'BEGIN {printf "%.1f", k * 1024 / n}') bytes per entry"
