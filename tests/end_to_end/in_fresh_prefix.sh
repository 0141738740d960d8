#!/usr/bin/env bash
# in_fresh_prefix.sh BUILD_DIR GTEST_FILTER
# Runs the end-to-end test program of BUILD_DIR with the filter in a Wine
# prefix and display made for this run alone (scripts/wine-env, also when
# called inside the test run's own environment): every test of it installs
# the product for real and must find the machine as Wine makes it.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

outside() {
  local build
  build=$(cd "$1" && pwd)
  export WINE_ENV_ROOT=${WINE_ENV_ROOT:-$build/wine}
  "$repo/scripts/wine-env" "$here/in_fresh_prefix.sh" --inside "$build" "$2"
}

inside() {
  local build=$1 filter=$2
  # No window manager on this display: Wine draws the frames itself and
  # hides windows without waiting for one.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  cd "$build/bin"
  wine end_to_end_test.exe --gtest_filter="$filter"
}

if [ "${1:-}" = "--inside" ]; then
  inside "$2" "$3"
else
  outside "$1" "$2"
fi
