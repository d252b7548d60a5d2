#!/usr/bin/env bash
# harrowdale-scan built for Windows, run under Wine, reports the same files, folders, bytes,
# extensions, largest files and duplicates, in the same order, as the Linux build on one
# tree without links. Wine shows the tree's folder as Z:\...; the report is compared with
# / for \ there. Windows' folder listing cannot tell links apart, so there the report
# says it counted every link ("each"); with no links in the tree the counts agree.
#
#   same_report_test.sh LINUX_SCAN WINE WINDOWS_SCAN_EXE
set -euo pipefail
linux=$1 wine=$2 exe=$3

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

make() { # make PATH SIZE DATE
    mkdir -p "$tree/$(dirname "$1")"
    head -c "$2" /dev/zero >"$tree/$1"
    touch -d "$3" "$tree/$1"
}
make "a/Report.PDF" 1000 "2023-11-14 22:13:20"
make "b/report.pdf" 1001 "2020-01-01 00:00:00"
make "b/deep/er/Photo.JPG" 123456 "2019-06-30 12:34:56"
make "with space/Gr$(printf '\xc3\xb6\xc3\x9f')e.txt" 2048 "2021-02-03 04:05:06"
make "with space/$(printf '\xe6\x97\xa5\xe6\x9c\xac').bin" 70000 "2022-03-04 05:06:07"
make ".hidden" 7 "2024-05-06 07:08:09"
make "README" 3 "2024-05-06 07:08:10"
make "archive.tar.gz" 99999 "2017-07-07 07:07:07"
# Equal sizes, which each system lists in its own order: folder by folder and by name
# ("dup" before "dupA" on both, though '/' sorts before 'A' and '\' after it).
make "dupA/same.dat" 4000 "2018-01-01 00:00:00"
make "dup2/same.dat" 4000 "2018-01-01 00:00:00"
make "dup/same.dat" 4000 "2018-01-01 00:00:00"
make "b/zeta.log" 500 "2016-01-01 00:00:00"
make "with space/Mid.log" 500 "2016-01-01 00:00:00"
make "a/alpha.log" 500 "2016-01-01 00:00:00"
# Extensions of equal bytes.
make "b/tie.bbb" 300 "2016-01-01 00:00:00"
make "a/tie.aaa" 300 "2016-01-01 00:00:00"
mkdir -p "$tree/empty" "$tree/b/also empty"

report() { "$@" --json --no-progress --largest 100 --duplicates 100 "$tree"; }
expected=$(report "$linux")
got=$(report "$wine" "$exe" | sed -e 's#Z:\\\\#/#g' -e 's#\\\\#/#g')
rule() { grep -E '^  "hard_links": ' <<<"$1"; }
if [[ "$(rule "$expected")" != '  "hard_links": "once",' ||
    "$(rule "$got")" != '  "hard_links": "each",' ]]; then
    echo "link rules: Linux $(rule "$expected") Windows $(rule "$got")"
    exit 1
fi
without_rule() { grep -vE '^  "hard_links": ' <<<"$1"; }
if ! diff <(without_rule "$expected") <(without_rule "$got"); then
    exit 1
fi
echo "the same report: $(grep -E '^  "(files|dirs|bytes)"' <<<"$expected" | tr -d ' \n')"
