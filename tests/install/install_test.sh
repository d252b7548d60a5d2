#!/usr/bin/env bash
# The installed tree: what goes where, the desktop validators, and a prefix that keeps
# working after it is moved. Exit status 77 tells CTest that a check was skipped.
#
#   install_test.sh layout BUILD_DIR WITH_WINDOW(0|1)
#   install_test.sh relocation BUILD_DIR BUILT_SCAN_PROGRAM
#   install_test.sh debian-package BUILD_DIR WITH_WINDOW(0|1) VERSION UPDATE_CHECK(0|1)
#   install_test.sh desktop-file FILE | metainfo FILE | man-pages FILE...
set -euo pipefail

skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

install_into() { cmake --install "$1" --prefix "$2" >/dev/null; }

readonly app_id=example.harrowdale.Harrowdale

# The files every install holds, relative to the prefix; WITH_WINDOW adds the window's.
expected_files() {
    echo bin/harrowdale-scan share/harrowdale/transl.dt share/man/man1/harrowdale-scan.1 \
        share/doc/harrowdale/LICENSE
    if [[ $1 == 1 ]]; then
        echo bin/harrowdale share/man/man1/harrowdale.1 "share/applications/$app_id.desktop" \
            "share/metainfo/$app_id.metainfo.xml" "share/icons/hicolor/scalable/apps/$app_id.svg"
    fi
}

check_layout() {
    local build=$1 window=$2 prefix=$scratch/prefix
    install_into "$build" "$prefix"
    local files
    read -r -d '' -a files < <(expected_files "$window") || true
    for f in "${files[@]}"; do
        [[ -f $prefix/$f ]] || fail "$f is not installed"
    done
    for f in "$prefix"/bin/*; do
        [[ -x $f ]] || fail "${f#"$prefix"/} is not executable"
    done
    [[ $window == 1 ]] || return 0

    # The desktop entry, the icon and the metainfo name one another: a renamed file
    # would leave the menu without an icon or the software centre without a program.
    local desktop=$prefix/share/applications/$app_id.desktop
    local metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
    local icon tryexec launchable
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [[ -f $prefix/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "no icon named $icon"
    tryexec=$(sed -n 's/^TryExec=//p' "$desktop")
    [[ -x $prefix/bin/$tryexec ]] || fail "the desktop entry runs $tryexec, not installed"
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    [[ -f $prefix/share/applications/$launchable ]] || fail "metainfo launches $launchable"
    while read -r binary; do
        [[ -x $prefix/bin/$binary ]] || fail "metainfo provides $binary, not installed"
    done < <(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$metainfo")
    echo "installed: ${files[*]}"
    check_open_with "$prefix"
}

# The file manager's "Open With" for a folder offers the window: GIO, as the desktops ask
# it, lists the menu entry for inode/directory once the MIME cache is brought up to date,
# as the package manager's trigger does. Only the installed tree is on the data path.
check_open_with() {
    local prefix=$1
    if ! command -v gio >/dev/null || ! command -v update-desktop-database >/dev/null; then
        echo "not checked: Open With (gio or update-desktop-database is not installed)"
        return 0
    fi
    update-desktop-database "$prefix/share/applications"
    local listed
    listed=$(env -i PATH="$prefix/bin:/usr/bin:/bin" HOME="$scratch/home" LC_ALL=C.UTF-8 \
        XDG_DATA_DIRS="$prefix/share" XDG_DATA_HOME="$scratch/home/data" \
        XDG_CONFIG_HOME="$scratch/home/config" XDG_CONFIG_DIRS="$scratch/home/config" \
        gio mime inode/directory)
    grep -q "^[[:space:]]*$app_id.desktop\$" <<<"$listed" ||
        fail "gio mime inode/directory does not list $app_id.desktop: $listed"
    echo "gio mime inode/directory lists $app_id.desktop"
}

# Installs, moves the whole prefix to a deep path with blanks (longer than a first guess
# at the length of the executable's path) and checks that the moved harrowdale-scan still
# speaks German from its own share/harrowdale, and English once that file is gone.
check_relocation() {
    local build=$1 built_scan=$2
    install_into "$build" "$scratch/first"
    local moved
    moved="$scratch/moved prefix/$(printf 'level-%02d/' $(seq 1 30))usr"
    mkdir -p "$(dirname "$moved")"
    mv "$scratch/first" "$moved"
    local missing="$scratch/no such folder"

    message() { # PROGRAM: the one-line error for a folder that does not exist, in German
        local status=0 text
        text=$(LANGUAGE=de LC_ALL= LC_MESSAGES= LANG= "$1" "$missing" 2>&1 >/dev/null) ||
            status=$?
        [[ $status == 2 ]] || fail "$1 exited with $status: $text"
        printf '%s' "$text"
    }
    local english="harrowdale-scan: $missing: Folder does not exist."
    local expected moved_text bare_text
    expected=$(message "$built_scan")
    [[ $expected != "$english" ]] || fail "the built program is not translated: $expected"
    moved_text=$(message "$moved/bin/harrowdale-scan")
    [[ $moved_text == "$expected" ]] || fail "moved prefix: \"$moved_text\", not \"$expected\""

    rm "$moved/share/harrowdale/transl.dt"
    bare_text=$(message "$moved/bin/harrowdale-scan")
    [[ $bare_text == "$english" ]] || fail "without its transl.dt: \"$bare_text\""
    echo "moved prefix (${#moved} characters): $moved_text"
}

# Builds the .deb as `cpack -G DEB` does and reads it back: its control fields, the
# dependencies dpkg-shlibdeps found in the linked libraries, the files under /usr, and
# what lintian says of it. A build whose window asks the website for updates is refused:
# the package is then made all the same, for its contents.
check_debian_package() {
    local build=$1 window=$2 version=$3 update_check=$4
    command -v dpkg-shlibdeps >/dev/null ||
        skip "dpkg-shlibdeps is not installed (Debian package dpkg-dev)"
    local cpack=(cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch")
    if [[ $update_check == 1 && $window == 1 ]]; then
        local refused
        refused=$("${cpack[@]}" 2>&1) || true
        [[ $refused == *"-DHARROWDALE_UPDATE_CHECK=OFF"* ]] ||
            fail "a package was made of a build that checks for updates: $refused"
        [[ -z $(compgen -G "$scratch/harrowdale_*.deb") ]] || fail "the refused package is there"
        cpack+=(-D CPACK_HARROWDALE_KEEP_UPDATE_CHECK=ON)
    fi
    "${cpack[@]}" >/dev/null
    local deb=("$scratch"/harrowdale_*.deb)
    [[ -f ${deb[0]} ]] || fail "no package was made"
    local field
    for field in "Package harrowdale" "Version $version" "Section utils"; do
        [[ $(dpkg-deb -f "${deb[0]}" "${field%% *}") == "${field#* }" ]] ||
            fail "${field%% *} is $(dpkg-deb -f "${deb[0]}" "${field%% *}")"
    done
    [[ -n $(dpkg-deb -f "${deb[0]}" Maintainer) ]] || fail "no Maintainer"
    local depends needed
    depends=$(dpkg-deb -f "${deb[0]}" Depends)
    needed=(libc6 libstdc++6 libicu zlib1g)
    [[ $window == 1 ]] && needed+=(libqt6widgets6 qt6-qpa-plugins "qt6-svg-plugins | libqt6svg6")
    for dep in "${needed[@]}"; do
        [[ ", $depends" == *", $dep"* ]] || fail "Depends lacks $dep: $depends"
    done
    # The installed files, with Debian's changes: manual pages compressed, the licence
    # named by the copyright file, a changelog.
    local listing files
    listing=$(dpkg-deb -c "${deb[0]}")
    read -r -d '' -a files < <(expected_files "$window" |
        sed -e 's:\(man/man1/[^ ]*\.1\):\1.gz:g' \
            -e 's:share/doc/harrowdale/LICENSE:share/doc/harrowdale/copyright share/doc/harrowdale/changelog.gz:') ||
        true
    for f in "${files[@]}"; do
        grep -q " \./usr/$f\$" <<<"$listing" || fail "the package lacks /usr/$f"
    done
    echo "Depends: $depends"
    check_lintian "${deb[0]}"
}

# No error, no warning, and the hardening Debian builds with (checked buffer functions,
# relocations resolved at start). Run when lintian is installed.
check_lintian() {
    if ! command -v lintian >/dev/null; then
        echo "not checked: lintian is not installed (Debian package lintian)"
        return 0
    fi
    local report
    report=$(lintian --display-info "$1" 2>&1 | grep -v "running with root privileges") || true
    ! grep -E "^(E|W): " <<<"$report" || fail "lintian: $report"
    echo "lintian: no errors, warnings or hardening remarks"
    [[ -z $report ]] || echo "$report"
}

check_desktop_file() {
    command -v desktop-file-validate >/dev/null ||
        skip "desktop-file-validate is not installed (Debian package desktop-file-utils)"
    local out
    out=$(desktop-file-validate "$1" 2>&1) || fail "$out"
    [[ -z $out ]] || fail "desktop-file-validate has remarks: $out"
    echo "desktop-file-validate: no remarks on $1"
}

check_metainfo() {
    command -v appstreamcli >/dev/null ||
        skip "appstreamcli is not installed (Debian package appstream)"
    appstreamcli validate --no-net "$1" || fail "appstreamcli validate failed"
}

check_man_pages() {
    command -v man >/dev/null || skip "man is not installed (Debian package man-db)"
    local page warnings
    for page in "$@"; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
        [[ -z $warnings ]] || fail "$page: $warnings"
        echo "man --warnings: no remarks on $page"
    done
}

case ${1:-} in
    layout) check_layout "$2" "$3" ;;
    relocation) check_relocation "$2" "$3" ;;
    debian-package) check_debian_package "$2" "$3" "$4" "$5" ;;
    desktop-file) check_desktop_file "$2" ;;
    metainfo) check_metainfo "$2" ;;
    man-pages) shift; check_man_pages "$@" ;;
    *) fail "unknown check: ${1:-}" ;;
esac
