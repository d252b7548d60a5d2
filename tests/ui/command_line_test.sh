#!/usr/bin/env bash
# harrowdale --help and --version answer without a display (the X11 platform is asked for
# and no display is there, so opening a window would abort); a wrong option ends with
# status 2 and a word on standard error before any window is opened, display or not.
set -u
bin=$1
version=$2

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
run() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$bin" "$@"; }

out=$(run --help 2>&1) || fail "--help ended with $?: $out"
grep -q '^Usage: harrowdale \[options\] \[PATH\]' <<<"$out" || fail "--help printed: $out"
grep -q -- '--version' <<<"$out" || fail "--help lacks --version: $out"

out=$(run --version 2>&1) || fail "--version ended with $?: $out"
[[ $out == "Harrowdale $version" ]] || fail "--version printed: $out"

err=$(QT_QPA_PLATFORM=offscreen "$bin" --no-such-option 2>&1 >/dev/null)
status=$?
[[ $status == 2 ]] || fail "a wrong option ended with $status"
grep -q 'no-such-option' <<<"$err" || fail "a wrong option said: $err"

# Without any display a wrong option is still a usage error, not Qt's abort.
for platform in xcb ""; do
    err=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=$platform "$bin" --bogus 2>&1 >/dev/null)
    status=$?
    [[ $status == 2 ]] || fail "a wrong option without a display ended with $status: $err"
    grep -q 'bogus' <<<"$err" || fail "a wrong option without a display said: $err"
done
echo "ok"
