#!/usr/bin/env bash
# Installs the Debian 12 packages rkdial needs to build, run and test, and the browser tests' npm
# packages (playwright-core only: it drives Debian's Chromium and downloads no browser of its
# own). Safe to run again: it only calls apt and npm when something is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libpugixml-dev
  libcli11-dev nlohmann-json3-dev
  libmecab-dev mecab-ipadic-utf8 libphonenumber-dev
  clang libclang-rt-14-dev clang-format
  fonts-ipafont-gothic
  skkdic-extra # names with readings, for tools/reading-accuracy
  nodejs chromium curl
  xvfb xauth
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
# Debian's nodejs comes without npm; a node installed otherwise may bring its own.
command -v npm >/dev/null || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    sudo="sudo"
  fi
  echo "install-deps: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The browser tests' packages, exactly as locked; again only when the lock changed.
e2e=tests/web/e2e
if [ ! -f "$e2e/node_modules/.package-lock.json" ] || [ "$e2e/package-lock.json" -nt "$e2e/node_modules/.package-lock.json" ]; then
  echo "install-deps: npm ci in $e2e"
  (cd "$e2e" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
fi
