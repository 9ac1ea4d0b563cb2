#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need,
# only those that are missing. Needs root (or sudo) when anything is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libicu-dev libgtest-dev libbenchmark-dev
  rapidjson-dev publicsuffix
  libglib2.0-dev libglib2.0-bin
  libsqlite3-dev zlib1g-dev libprotobuf-dev protobuf-compiler
  python3 openssl
  libssl-dev
  qt6-base-dev xvfb xauth desktop-file-utils appstream
  clang libclang-rt-14-dev
  libxml2-dev libyaml-dev libcmark-gfm-dev libcmark-gfm-extensions-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
