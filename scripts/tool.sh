#!/usr/bin/env bash
# Installs what is missing, builds and runs the command-line tool mrvtool; arguments go to it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh release
exec build/release/bin/mrvtool "$@"
