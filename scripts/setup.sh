#!/usr/bin/env bash
# Installs the Debian packages Morvena needs (only those missing) and builds it.
# Usage: scripts/setup.sh [preset]    (default preset: release)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential g++ cmake ninja-build pkg-config git ca-certificates
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev libicu-dev libpcre2-dev nlohmann-json3-dev
  libssl-dev liblzma-dev zlib1g-dev libpng-dev libcurl4-openssl-dev
  libassimp-dev liblz4-dev
  libepoxy-dev libegl-dev libgl-dev libegl1 libgl1-mesa-dri libglx-mesa0 libegl-mesa0
  qt6-base-dev libqt6opengl6-dev qt6-svg-dev qt6-translations-l10n
  bootstrap-icons fonts-inter fonts-dejavu-core locales
  xvfb xauth python3
  clang libclang-rt-dev llvm clang-format
  nodejs npm
)

missing=()
for p in "${packages[@]}"; do
  # Node.js builds that bundle npm provide it without the Debian package.
  if [[ $p == npm ]] && command -v npm >/dev/null; then continue; fi
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installo i pacchetti mancanti: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Khronos glTF validator that the exporter's tests run, pinned by its lock file.
validator=Tests/Tools/gltf-validator
if command -v node >/dev/null && command -v npm >/dev/null; then
  if [[ ! -e $validator/node_modules/.package-lock.json
        || $validator/package-lock.json -nt $validator/node_modules/.package-lock.json ]]; then
    (cd "$validator" && npm ci --no-audit --no-fund --silent) \
      || echo "Attenzione: validatore glTF non installato in $validator; il suo test fallirà." >&2
  fi
fi

preset=${1:-release}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
