#!/usr/bin/env bash
# Builds VESK if needed and runs every test suite, headless. The main suite runs last,
# so the output ends in its summary; the exit status is non-zero if any suite failed.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh" --tests || exit 1

export QT_QPA_PLATFORM=offscreen
failed=()

# The tests labelled "threaded" again under ThreadSanitizer, in a build of their own.
thread_sanitizer_suite() {
    local dir="$root/build-tsan"
    cmake -S "$root" -B "$dir" -DVESK_WERROR=ON -DVESK_SANITIZE=thread -DVESK_BUILD_BENCH=OFF >/dev/null || return 1

    local tests targets
    mapfile -t tests < <(cd "$dir" && ctest -N -L threaded | sed -n 's/^ *Test *#[0-9]*: //p')
    if ((${#tests[@]} == 0)); then
        echo "No test is labelled threaded yet; skipping the ThreadSanitizer suite."
        return 0
    fi
    # Only the test executables are built; a labelled script test has no target of its own.
    mapfile -t targets < <(cmake --build "$dir" --target help | sed -n 's/^\.\.\. //p' | grep -Fxf <(printf '%s\n' "${tests[@]}"))
    cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}" || return 1
    (cd "$dir" && ctest --output-on-failure -L threaded)
}

# The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer, in a build of
# its own. Any report fails the test that caused it; known leaks of uninstrumented
# third-party libraries are suppressed in tests/sanitizers/.
address_sanitizer_suite() {
    local dir="$root/build-asan"
    cmake -S "$root" -B "$dir" -DVESK_WERROR=ON -DVESK_SANITIZE=address,undefined -DVESK_BUILD_BENCH=OFF >/dev/null || return 1
    cmake --build "$dir" -j"$(nproc)" || return 1
    (
        # The program installs its own crash handlers; the sanitizer must leave those signals to it.
        export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:handle_abort=0"
        export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
        export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
        # The cross-compile checks build no instrumented code, and the crash-dump test crashes on
        # purpose, which the sanitizer runtime intercepts; the main suite runs all three.
        cd "$dir" && ctest --output-on-failure -LE '^(windows|cross)$' -E '^crash_dump_tests$'
    )
}

run_suite() {
    echo "=== $1"
    "$2" || failed+=("$1")
}

run_suite "ThreadSanitizer (threaded tests)" thread_sanitizer_suite
run_suite "AddressSanitizer and UndefinedBehaviorSanitizer (whole suite)" address_sanitizer_suite

if ((${#failed[@]} > 0)); then
    echo "Failed before the main suite: ${failed[*]}"
fi
echo "=== Main suite"
(cd "$root/build" && ctest --output-on-failure) || failed+=("main suite")

if ((${#failed[@]} > 0)); then
    exit 1
fi
