#!/usr/bin/env bash
# Makes sure that what building and testing Harrowdale needs is there: the commands, the
# pkg-config modules, the headers and the files the build and the tests use. What is
# missing is installed with apt-get (as root) where the system has it; elsewhere the
# script lists what is missing and stops, so that it can be installed by hand with the
# system's own package manager. Quick on a prepared machine: nothing is asked then.
#
#   install-deps.sh            the Linux build, its tests and the package checks
#   install-deps.sh windows    the MinGW-w64 cross compiler, zlib for it and Wine, for
#                              building the Windows programs and running their tests
#   install-deps.sh --check [windows]   only lists what is missing (exit 1 if anything)
set -euo pipefail

check_only=0
if [[ ${1:-} == --check ]]; then
    check_only=1
    shift
fi

# One requirement a line: KIND NAME DEBIAN-PACKAGE [what it is for]. KIND is cmd (a
# command on the PATH), pc (a pkg-config module), header (included by the C++ compiler),
# or file (an absolute path). The package is what apt-get installs for it.
linux_requirements() {
    cat <<'EOF'
cmd c++ build-essential
cmd cmake cmake
cmd ninja ninja-build
cmd pkg-config pkg-config
pc icu-uc libicu-dev
pc zlib zlib1g-dev
pc libxxhash libxxhash-dev hashing file contents for duplicates by content
header gtest/gtest.h libgtest-dev
file /usr/src/googletest/CMakeLists.txt googletest the Windows build's GoogleTest
pc Qt6Widgets qt6-base-dev
pc Qt6DBus qt6-base-dev
pc Qt6Network qt6-base-dev
pc Qt6Test qt6-base-dev
qtlib moc qt6-base-dev-tools Qt's code generator
pc glib-2.0 libglib2.0-dev
qtplugin imageformats/libqsvg.so libqt6svg6 the window icon (Qt's SVG plugin)
file /usr/share/qt6/translations/qtbase_de.qm qt6-translations-l10n Qt's own texts
cmd xvfb-run xvfb
cmd xauth xauth
cmd dbus-daemon dbus-daemon the file-manager tests' session bus
cmd desktop-file-validate desktop-file-utils
cmd update-desktop-database desktop-file-utils
cmd gio libglib2.0-bin the "Open With" check
cmd appstreamcli appstream
cmd man man-db
cmd dpkg-shlibdeps dpkg-dev the package's dependencies
cmd lintian lintian the package check
cmd file file
cmd ncdu ncdu the scan file exchange tests
cmd gdu gdu the scan file exchange tests
cmd jdupes jdupes the content grouping's tests, which compare with it
cmd ssh openssh-client the remote scan tests' client
cmd ssh-keygen openssh-client the remote scan tests' throwaway keys
file /usr/sbin/sshd openssh-server the remote scan tests' private server
EOF
}

windows_requirements() {
    cat <<'EOF'
cmd x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
mingw-header zlib.h libz-mingw-w64-dev
cmd wine wine
cmd wineserver wine
file /usr/lib/wine/wine64 wine64 64-bit Windows programs
EOF
}

# Whether one requirement is met.
present() {
    local kind=$1 name=$2
    case $kind in
        cmd) command -v "$name" >/dev/null 2>&1 ;;
        pc) command -v pkg-config >/dev/null 2>&1 && pkg-config --exists "$name" ;;
        header)
            command -v c++ >/dev/null 2>&1 &&
                printf '#include <%s>\n' "$name" | c++ -std=c++20 -E -x c++ - >/dev/null 2>&1
            ;;
        mingw-header)
            command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 &&
                printf '#include <%s>\n' "$name" |
                x86_64-w64-mingw32-g++-posix -E -x c++ - >/dev/null 2>&1
            ;;
        # Qt's own programs and plugins live below folders that its pkg-config files name.
        qtlib)
            command -v pkg-config >/dev/null 2>&1 &&
                [[ -x $(pkg-config --variable=libexecdir Qt6Core 2>/dev/null)/$name ]]
            ;;
        qtplugin)
            command -v pkg-config >/dev/null 2>&1 &&
                [[ -f $(pkg-config --variable=libdir Qt6Core 2>/dev/null)/qt6/plugins/$name ]]
            ;;
        file) [[ -e $name ]] ;;
        *) echo "install-deps.sh: unknown requirement kind $kind" >&2 && exit 2 ;;
    esac
}

if [[ ${1:-} == windows ]]; then
    requirements=$(windows_requirements)
else
    requirements=$(linux_requirements)
fi

# Fills `missing` (descriptions) and `packages` (Debian packages, each once).
find_missing() {
    missing=()
    packages=()
    local kind name package purpose
    while read -r kind name package purpose; do
        present "$kind" "$name" && continue
        missing+=("$name ($kind${purpose:+, for $purpose}; Debian package $package)")
        [[ " ${packages[*]} " == *" $package "* ]] || packages+=("$package")
    done <<<"$requirements"
}

# "1 thing the build needs is" or "N things the build needs are".
what_is_missing() {
    if ((${#missing[@]} == 1)); then
        echo "1 thing the build needs is"
    else
        echo "${#missing[@]} things the build needs are"
    fi
}

list_missing() {
    local m
    for m in "${missing[@]}"; do
        echo "  missing: $m"
    done
}

find_missing
((${#missing[@]})) || exit 0

if ((check_only)); then
    list_missing
    exit 1
fi

if ! command -v apt-get >/dev/null 2>&1; then
    list_missing
    echo "install-deps.sh: $(what_is_missing) missing and this system has no apt-get:" \
        "install them with its package manager, then run this again." >&2
    exit 1
fi

echo "Installing: ${packages[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${packages[@]}"

# A package of another name on this system leaves its requirement unmet.
find_missing
if ((${#missing[@]})); then
    list_missing
    echo "install-deps.sh: $(what_is_missing) still missing after apt-get install:" \
        "install them by hand, then run this again." >&2
    exit 1
fi
