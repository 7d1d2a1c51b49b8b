#!/usr/bin/env bash
# Installs the Debian packages a step needs, when any is missing. Sourced by
# run.sh (zib_install_program_packages: what the program needs to build and
# run) and test.sh (zib_install_test_packages: the rest for the tests, the
# sanitizer build and the benchmarks).

# What the program needs to build and run, with the fonts it draws with.
ZIB_PROGRAM_PACKAGES=(cmake ninja-build g++ pkg-config
  libsdl2-dev libx11-dev libepoxy-dev libfreetype-dev libfontconfig1-dev
  zlib1g-dev libzopfli-dev libjpeg62-turbo-dev libsndfile1-dev libgl1-mesa-dri
  fonts-liberation2 fonts-comic-neue fonts-dejavu-core)

# The tests: Google Test, a private X server and what the window and process
# tests drive it with, and clang for the sanitizer and fuzz build.
ZIB_TEST_PACKAGES=(libgtest-dev libgmock-dev xvfb xauth xdotool sox clang
  fonts-liberation2 fonts-comic-neue fonts-dejavu-core)

# The benchmarks and the reference libraries they compare against; the build
# configures without any of these (the benchmarks are then skipped).
ZIB_BENCH_PACKAGES=(libbenchmark-dev libssl-dev libinih-dev libstb-dev libturbojpeg0-dev libsfml-dev
  libopenal-dev libsdl2-ttf-dev libprotobuf-dev)

zib_install() {
  local missing=()
  for p in "$@"; do
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

zib_install_program_packages() {
  zib_install "${ZIB_PROGRAM_PACKAGES[@]}"
}

# The sanitizer runtime of the clang that is installed (libclang-rt-<major>-dev):
# never a pinned version, which another Debian release would not have.
zib_clang_runtime_package() {
  local major
  major=$(clang -dumpversion 2>/dev/null | cut -d. -f1)
  [ -n "$major" ] && echo "libclang-rt-${major}-dev"
}

zib_install_test_packages() {
  zib_install "${ZIB_PROGRAM_PACKAGES[@]}" "${ZIB_TEST_PACKAGES[@]}" "${ZIB_BENCH_PACKAGES[@]}"
  local runtime
  runtime=$(zib_clang_runtime_package)
  # Older releases ship the runtime inside the clang package itself.
  if [ -n "$runtime" ] && apt-cache show "$runtime" >/dev/null 2>&1; then
    zib_install "$runtime"
  fi
}
