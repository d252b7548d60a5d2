#!/usr/bin/env bash
# Builds and runs every test: an optimised build, the same tests under AddressSanitizer
# and UndefinedBehaviorSanitizer, then the engine and harrowdale-scan cross-built for
# Windows with MinGW-w64 and tested under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

# A compiler cache, where the machine has one, keyed by paths relative to the checkout so
# that another clone of the same tree reuses what an earlier run compiled.
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR=$PWD
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# Says why each skipped test was skipped (GoogleTest prints the reason under the test).
show_skips() {
    awk '/ Testing: / { name = $3 } /: Skipped$/ { getline why; print "skipped " name ": " why }' \
        "$1/Testing/Temporary/LastTest.log" | sort
}

echo "== release build and tests"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs"
show_skips build/test

echo "== sanitizer build and tests (ASan + UBSan)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHARROWDALE_SANITIZE=ON "${launcher[@]}"
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs"
show_skips build/asan

echo "== Windows build and tests (MinGW-w64, under Wine)"
start=$SECONDS
bash scripts/install-deps.sh windows
toolchain=$PWD/cmake/toolchains/mingw-w64-x86_64.cmake

# A throwaway Wine prefix of our own, and nothing of Wine outside it: no menu entries, no
# Gecko or Mono installers, no user's trash (the recycle bin lands in the prefix's home).
wine_home=$(mktemp -d)
export WINEPREFIX=$wine_home/prefix HOME=$wine_home XDG_DATA_HOME=$wine_home/data
export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe,mscoree,mshtml=d"
# One time zone and language for the tests and for Wine, which reads them at start-up.
export TZ=UTC LANG=C.UTF-8 LC_ALL=C.UTF-8
stop_wine() {
    wineserver -k 2>/dev/null || true
    rm -rf "$wine_home"
}
trap stop_wine EXIT
wineboot -i </dev/null >/dev/null 2>&1
wineserver -w
# Keep the server and Wine's services running between the test programs, started here with
# none of our output open: a test's output would otherwise stay open until they quit.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1

# GoogleTest from Debian's sources, with the same compiler.
cmake -S /usr/src/googletest -B build/win64-gtest -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DBUILD_GMOCK=OFF \
    -DCMAKE_INSTALL_PREFIX="$PWD/build/win64-gtest/install" >/dev/null
cmake --build build/win64-gtest -j "$jobs" >/dev/null
cmake --install build/win64-gtest >/dev/null

# -O1: the tests check behaviour, which the optimised Linux build already checks at -O2.
cmake -S . -B build/win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${launcher[@]}" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" -DHARROWDALE_GUI=OFF \
    -DGTest_DIR="$PWD/build/win64-gtest/install/lib/cmake/GTest" \
    -DHARROWDALE_LINUX_SCAN="$PWD/build/test/tools/harrowdale-scan/harrowdale-scan"
cmake --build build/win64 -j "$jobs"
ctest --test-dir build/win64 --output-on-failure -j "$jobs"
show_skips build/win64
echo "Windows stage: $((SECONDS - start)) s"
