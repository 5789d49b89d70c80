#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Safe to run again: packages already present are skipped quickly.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build g++ clang libclang-rt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libsqlite3-dev sqlite3 libpq-dev postgresql pkg-config
  python3 python3-xlrd python3-olefile python3-openpyxl python3-pil
  pybind11-dev python3-dev python3-pytest python3-pandas python3-xlwt python3-psycopg2
  libreoffice-calc-nogui poppler-utils
  libapache-poi-java default-jdk-headless
  chromium fonts-liberation
  libdeflate-dev gnumeric python3-xlsxwriter libxlsxwriter-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# SheetJS (npm's "xlsx"), an independent reader of both workbook formats for the
# interop tests. Debian's node and npm serve where the machine has none of its own.
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
if ! command -v npm >/dev/null 2>&1; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends nodejs npm
fi
if [ ! -d "$(npm root -g)/xlsx" ]; then
  echo "setup: installing SheetJS (npm xlsx 0.18.5)"
  $SUDO npm install -g --no-audit --no-fund --loglevel=error xlsx@0.18.5
fi
