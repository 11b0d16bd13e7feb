#!/usr/bin/env bash
# Builds VESK if needed and starts it.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/scripts/setup.sh"
exec "$root/build/vesk"
