#!/usr/bin/env bash
# Builds the program and starts it: ./run.sh [program arguments]
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
zib_install_packages
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
exec build/bin/skerrion2 "$@"
