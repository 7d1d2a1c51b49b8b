#!/usr/bin/env bash
# Builds the program with its data and starts it: ./run.sh [program arguments]
# Installs only what the program needs; the tests and benchmarks are test.sh's.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
zib_install_program_packages
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The program, its static configuration and its packed data (and the tools that pack it).
cmake --build build --target skerrion2 pack_assets
exec build/bin/skerrion2 "$@"
