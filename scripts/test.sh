#!/usr/bin/env bash
# Sets up, builds and runs every test headless; then again under the sanitizers.
# HRMS_JOBS sets the parallel jobs (default: the cores).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export QT_QPA_PLATFORM=offscreen
"$here/scripts/deps.sh"
"$here/scripts/build.sh" build
(cd "$here/build" && ctest --output-on-failure -j"${HRMS_JOBS:-$(nproc)}" --timeout 120)
if [ "${HRMS_SKIP_SANITIZERS:-0}" != 1 ]; then
  "$here/scripts/build.sh" build-asan -DHRMS_SANITIZE=ON
  (cd "$here/build-asan" && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j"${HRMS_JOBS:-$(nproc)}" --timeout 300)
fi
