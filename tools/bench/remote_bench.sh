#!/usr/bin/env bash
# A scan of another machine against a scan here: harrowdale-scan --remote through a
# private OpenSSH server on a loopback port (the "remote machine" is this one) against a
# local scan plus the export the remote side writes, on the benchmark tree; and the peak
# memory per entry of the remote scan against reading the same scan file.
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

: >"$dir/local" && : >"$dir/remote" && : >"$dir/import"
for ((i = 0; i < runs; i++)); do
    measure "$scan" --no-progress --export - "$tree" >>"$dir/local"
    measure "$scan" --no-progress --json --ssh-config "$dir/ssh_config" \
        --remote "testhost:$tree" >>"$dir/remote"
    measure "$scan" --no-progress --json --import "$dir/tree.json" >>"$dir/import"
done
local_s=$(cut -d' ' -f1 "$dir/local" | median)
remote_s=$(cut -d' ' -f1 "$dir/remote" | median)
remote_kb=$(cut -d' ' -f2 "$dir/remote" | median)
import_kb=$(cut -d' ' -f2 "$dir/import" | median)
echo "tree: $tree, $entries entries, $runs runs (medians)"
echo "local scan + export:           $local_s s"
echo "remote scan through ssh:       $remote_s s ($(awk -v a="$remote_s" -v b="$local_s" \
    'BEGIN {printf "%.2f", a / b}') x; target at most 1.5 x)"
echo "peak memory, remote scan:      $(awk -v k="$remote_kb" -v n="$entries" \
    'BEGIN {printf "%.1f", k * 1024 / n}') bytes per entry (of the process here)"
echo "peak memory, scan file read:   $(awk -v k="$import_kb" -v n="$entries" \
    'BEGIN {printf "%.1f", k * 1024 / n}') bytes per entry"
