#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor on the given picture (default: the sample photo).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
if [ $# -gt 0 ]; then
  exec "$here/build/bin/korvalis" "$@"
else
  exec "$here/build/bin/korvalis" "$here/build/bin/coffee.png"
fi
