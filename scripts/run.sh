#!/usr/bin/env bash
# Builds a release build and starts Harrowdale.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DHARROWDALE_TESTS=OFF
cmake --build build/release
exec build/release/src/harrowdale "$@"
