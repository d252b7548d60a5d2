#!/usr/bin/env bash
# scripts/install-deps.sh on systems without dpkg: it decides by the commands, modules and
# headers themselves, installs with apt-get where there is one, and elsewhere lists what is
# missing and stops with one line. Each case runs it with a PATH of links to this
# machine's commands, less the package tools and the commands the case takes away.
# Exit status 77 tells CTest that the test was skipped.
#
#   install_deps_test.sh SCRIPT
set -euo pipefail

script=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

bash "$script" --check >/dev/null ||
    { echo "skipped: this machine lacks what the build needs (run $script)"; exit 77; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Links to every command on the PATH (the first of each name), made once.
base=$scratch/base
mkdir "$base"
IFS=: read -r -a path_dirs <<<"$PATH"
for dir in "${path_dirs[@]}"; do
    ln -s -t "$base" "$dir"/* 2>/dev/null || true
done

# A copy of those links less apt-get, dpkg, dpkg-query and the names given.
command_farm() {
    local farm=$1
    shift
    cp -a "$base" "$farm"
    local name
    for name in apt-get dpkg dpkg-query "$@"; do
        rm -f "${farm:?}/$name"
    done
}

# A stand-in apt-get that notes its arguments and, for "install", links what `provides`
# says each package brings (PACKAGE=COMMAND ...) into the farm.
fake_apt() {
    local farm=$1 provides=$2
    cat >"$farm/apt-get" <<EOF
#!/bin/bash
echo "\$*" >>"$scratch/apt.log"
[[ \$1 == install ]] || exit 0
for pair in $provides; do
    for arg in "\$@"; do
        [[ \$arg == "\${pair%%=*}" ]] && ln -sf /usr/bin/true "$farm/\${pair#*=}"
    done
done
exit 0
EOF
    chmod +x "$farm/apt-get"
}

run() { # FARM: the script's exit status; its output in out and err
    local status=0
    env -i HOME="$HOME" PATH="$1" /bin/bash "$script" >"$scratch/out" 2>"$scratch/err" ||
        status=$?
    echo "$status"
}

# case: taken away | apt-get (none, or what its packages provide) | status | stdout has |
#       the last line of stderr has
cases=(
    "|none|0||"
    "ninja lintian|none|1|missing: ninja (cmd; Debian package ninja-build)|2 things the build needs are missing and this system has no apt-get"
    "gdu|none|1|missing: gdu (cmd, for the scan file exchange tests; Debian package gdu)|1 thing the build needs is missing"
    "ninja|ninja-build=ninja|0|Installing: ninja-build|"
    "ninja gdu|nothing=x|1|Installing: ninja-build gdu|2 things the build needs are still missing after apt-get install"
)
n=0
for c in "${cases[@]}"; do
    IFS='|' read -r taken apt status out err <<<"$c"
    n=$((n + 1))
    farm=$scratch/farm$n
    # shellcheck disable=SC2086 # the names taken away are words
    command_farm "$farm" $taken
    [[ $apt == none ]] || fake_apt "$farm" "$apt"
    rm -f "$scratch/apt.log"
    got=$(run "$farm")
    [[ $got == "$status" ]] || fail "[$c] exit $got: $(cat "$scratch/out" "$scratch/err")"
    [[ -z $out ]] || grep -qF -- "$out" "$scratch/out" ||
        fail "[$c] output lacks \"$out\": $(cat "$scratch/out")"
    if [[ -n $err ]]; then
        [[ $(wc -l <"$scratch/err") == 1 ]] || fail "[$c] not one line: $(cat "$scratch/err")"
        grep -qF -- "$err" "$scratch/err" || fail "[$c] stderr: $(cat "$scratch/err")"
    elif [[ $status == 0 && -s $scratch/err ]]; then
        fail "[$c] complained: $(cat "$scratch/err")"
    fi
    ! grep -qi dpkg "$scratch/out" "$scratch/err" || fail "[$c] mentions dpkg"
    if [[ $apt == none ]]; then
        [[ $status != 0 ]] || [[ ! -s $scratch/out ]] || fail "[$c] said: $(cat "$scratch/out")"
    else
        grep -qx "update -qq" "$scratch/apt.log" || fail "[$c] apt-get update was not run"
    fi
    echo "ok: ${taken:-nothing} taken away, apt-get ${apt}: exit $got"
done
