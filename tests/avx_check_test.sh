#!/usr/bin/env bash
# The AVX builds on a processor without AVX (emulated by qemu as a Nehalem) stop with one
# clear line and status 1; on this processor, if it has AVX, they get past the check.
# The generic builds get past it on both. Without a display, "past the check" shows as
# SDL's start-up error. Usage: avx_check_test.sh BUILD_DIR
set -u
dir=$1
passed=0
failed=0
check() {  # description, expected status, expected text, command...
    local what=$1 status=$2 text=$3
    shift 3
    local err rc
    err=$(env -u DISPLAY -u WAYLAND_DISPLAY "$@" 2>&1 >/dev/null)
    rc=$?
    if [ "$rc" -eq "$status" ] && grep -qF "$text" <<<"$err" && [ "$(wc -l <<<"$err")" -eq 1 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what: status $rc, stderr: $err"
    fi
}
no_avx="this build needs a processor with AVX"
past_check="SDL_Init(SDL_INIT_VIDEO) failed"
for build in velmora-avx velmora-single-avx; do
    check "$build without AVX" 1 "$no_avx" qemu-x86_64 -cpu Nehalem "$dir/$build"
    if grep -qw avx /proc/cpuinfo; then
        check "$build with AVX" 1 "$past_check" "$dir/$build"
    fi
done
for build in velmora velmora-single; do
    check "$build without AVX" 1 "$past_check" qemu-x86_64 -cpu Nehalem "$dir/$build"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
