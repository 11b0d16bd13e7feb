#!/usr/bin/env bash
# Builds VESK if needed and runs every test suite, headless. The main suite runs last,
# so the output ends in its summary; the exit status is non-zero if any suite failed.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh" || exit 1

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

run_suite() {
    echo "=== $1"
    "$2" || failed+=("$1")
}

run_suite "ThreadSanitizer (threaded tests)" thread_sanitizer_suite

if ((${#failed[@]} > 0)); then
    echo "Failed before the main suite: ${failed[*]}"
fi
echo "=== Main suite"
(cd "$root/build" && ctest --output-on-failure) || failed+=("main suite")

if ((${#failed[@]} > 0)); then
    exit 1
fi
