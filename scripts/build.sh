#!/usr/bin/env bash
# Configures and builds into the folder given (default: build): the program,
# the tests and the benchmarks. HRMS_JOBS sets the parallel jobs (default: the cores).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build}; shift || true
cmake -S "$here" -B "$here/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHRMS_BENCHMARKS=ON "$@" >/dev/null
cmake --build "$here/$dir" -j"${HRMS_JOBS:-$(nproc)}"
