#!/usr/bin/env bash
# Installs what is missing, builds and starts the viewer Morvena; arguments go to it.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "Morvena ha bisogno di una sessione grafica: né DISPLAY né WAYLAND_DISPLAY sono impostati." >&2
  echo "Senza schermo si può usare xvfb-run -a scripts/run.sh, oppure lo strumento scripts/tool.sh." >&2
  exit 1
fi
scripts/setup.sh release
exec build/release/bin/Morvena "$@"
