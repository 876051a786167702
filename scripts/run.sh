#!/usr/bin/env bash
# Installs what rkdial needs, builds it and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
exec build/dev/bin/rkdial "$@"
