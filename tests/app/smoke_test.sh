#!/usr/bin/env bash
# Starts the real program on a virtual display from a throw-away copy (so its log and
# config/ never land in the build tree), checks that it stays up, asks it to quit with
# SIGTERM and expects a clean exit and a log free of failures.
set -euo pipefail

if [[ "${1:-}" != --on-display ]]; then
    exec xvfb-run -a -s "-screen 0 1600x1000x24" bash "$0" --on-display "$@"
fi
vesk="$2"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$vesk" "$work/vesk"
cp -r "$(dirname "$vesk")/assets" "$work/assets"

QT_QPA_PLATFORM=xcb "$work/vesk" &
pid=$!

sleep 4
if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid" && status=0 || status=$?
    echo "vesk ended by itself within 4 s (status $status)"
    exit 1
fi

kill -TERM "$pid"
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    echo "vesk did not quit within 10 s of SIGTERM"
    kill -KILL "$pid"
    exit 1
fi
wait "$pid" && status=0 || status=$?
if [[ $status -ne 0 ]]; then
    echo "vesk exited with status $status after SIGTERM"
    exit 1
fi

log="$work/vesk-diagnostic.log"
if [[ -f "$log" ]] && grep -Ein 'exception|rejected|unable|returned false|stopped returning' "$log"; then
    echo "failure lines in vesk-diagnostic.log"
    exit 1
fi
echo "vesk started, stayed up and quit cleanly on SIGTERM"
