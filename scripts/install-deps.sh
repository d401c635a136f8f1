#!/usr/bin/env bash
# Installs every Debian package the build, the program, the tests and the demo need.
# Idempotent: apt-get skips what is already installed.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-qpa-plugins
  libsqlite3-dev sqlite3
  libssl-dev openssl ca-certificates
  libxml2-dev libxmlsec1-dev xmlsec1 libxml2-utils
  libcurl4-openssl-dev
  libcpp-httplib-dev
  libgtest-dev libbenchmark-dev
  python3 python3-pyftpdlib
  poppler-utils
  xvfb xauth x11-apps libxcb1-dev
  fonts-dejavu-core fonts-liberation tzdata
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${missing[@]}"
fi
