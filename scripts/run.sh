#!/usr/bin/env bash
# Builds VESK if needed and starts it, with the demo camera listed after any real camera
# unless VESK_DEMO_CAMERA is already set.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh"
export VESK_DEMO_CAMERA="${VESK_DEMO_CAMERA-vesk7.2}"
exec "$root/build/vesk"
