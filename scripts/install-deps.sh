#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tolmero need.
# Idempotent: does nothing when every package is already installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libvulkan-dev mesa-vulkan-drivers vulkan-validationlayers vulkan-tools
  glslc spirv-tools libspirv-cross-c-shared-dev
  libspng-dev libturbojpeg0-dev libflac-dev
  libfreetype-dev libfontconfig-dev fonts-liberation2 fonts-symbola
  libcairo2-dev libgtk-3-dev libcli11-dev nlohmann-json3-dev libgtest-dev libbenchmark-dev
  xvfb xauth xdotool ffmpeg sox python3-numpy parallel rsync tesseract-ocr
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
