#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing Tandril needs.
# Safe to run again: it installs only what is missing. Needs root (or sudo).
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config git clang-format
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  dante-server passwd nginx
  libssl-dev lame ffmpeg
  libmpg123-dev libavformat-dev libavcodec-dev libswresample-dev libpulse-dev pulseaudio pulseaudio-utils
  xdg-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  echo "setup: all packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
