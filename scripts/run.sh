#!/usr/bin/env bash
# Sets up, builds, creates the database in the working directory if absent, and starts the program.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/deps.sh"
"$here/scripts/build.sh" build
if [ ! -f ./db_corvelin_Data.mdb ]; then
  "$here/build/mkdb" ./db_corvelin_Data.mdb admin admin
fi
exec "$here/build/hrms"
