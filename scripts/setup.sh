#!/usr/bin/env bash
# Installs the Debian packages Tobrell needs to build, test and run, when any is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-qpa-plugins qt6-wayland qt6-translations-l10n libgl-dev
  libcurl4-openssl-dev ca-certificates curl
  libsimpleini-dev
  # the fuzz targets: clang with its sanitizer runtimes and libFuzzer
  clang libclang-rt-14-dev libfuzzer-14-dev
  fonts-noto-cjk xdg-utils
  nginx-light openssl
  xvfb xauth x11-utils imagemagick openbox xdotool
  # the Debian package: its library dependencies (CPack uses file and dpkg-shlibdeps) and its checks
  dpkg-dev file desktop-file-utils appstream lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
