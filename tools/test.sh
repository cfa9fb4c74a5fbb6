#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset debug
cmake --build --preset debug
# In CI every reader of outside input is also fuzzed for half a minute, in a clang
# build of its own, so that a crash cannot land; the tests' summary comes last.
if [ "${CI:-}" = "true" ]; then bash tools/fuzz.sh 30; fi
ctest --preset debug
