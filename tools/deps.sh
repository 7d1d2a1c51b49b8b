#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Sourced by run.sh and test.sh; pass the package groups to check.
zib_install_packages() {
  local pkgs=(cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
              libsdl2-dev libx11-dev libepoxy-dev libfreetype-dev libfontconfig1-dev
              zlib1g-dev libzopfli-dev libjpeg62-turbo-dev libsndfile1-dev
              libgtest-dev libgmock-dev libbenchmark-dev
              xvfb xauth libgl1-mesa-dri
              fonts-liberation2 fonts-comic-neue fonts-dejavu-core
              libssl-dev libinih-dev libstb-dev libturbojpeg0-dev libsfml-dev libsdl2-ttf-dev)
  local missing=()
  for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
}
