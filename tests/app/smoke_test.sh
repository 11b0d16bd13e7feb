#!/usr/bin/env bash
# Starts the real program on a virtual display from a throw-away copy (so its log and
# config/ never land in the build tree), checks that it stays up, asks it to quit with
# SIGTERM and expects a clean exit and a log free of failures.
set -euo pipefail

if [[ "${1:-}" != --on-display ]]; then
    exec xvfb-run -a -s "-screen 0 1600x1000x24" bash "$0" --on-display "$@"
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$2" "$work/vesk"
cp -r "$(dirname "$2")/assets" "$work/assets"
fail() { echo "$*"; exit 1; }

QT_QPA_PLATFORM=xcb "$work/vesk" &
pid=$!
sleep 4
kill -0 "$pid" 2>/dev/null || fail "vesk ended by itself within 4 s"
kill -TERM "$pid"
timeout 10 tail --pid="$pid" -f /dev/null || { kill -KILL "$pid"; fail "vesk did not quit within 10 s of SIGTERM"; }
wait "$pid" || fail "vesk exited with status $? after SIGTERM"
if [[ -f "$work/vesk-diagnostic.log" ]] &&
    grep -Ein 'exception|rejected|unable|returned false|stopped returning' "$work/vesk-diagnostic.log"; then
    fail "failure lines in vesk-diagnostic.log"
fi
echo "vesk started, stayed up and quit cleanly on SIGTERM"
