#!/usr/bin/env bash
# restart_in_own_prefix.sh BIN_DIR
# "Yes" on setup's Install Finished prompt. The restart request ends the
# session of every program in the Wine prefix, so this runs in a prefix and
# display of its own (scripts/wine-env inside the test run's environment):
# setup installs from a copy of the test medium, restart_driver answers its
# dialogs, and Wine's relay trace of setup's calls is checked for the
# privilege adjustment and the restart request.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
traced="LookupPrivilegeValueA;OpenProcess;OpenProcessToken;AdjustTokenPrivileges;CloseHandle;ExitWindowsEx"

outside() {
  local bin
  bin=$(cd "$1" && pwd)
  export WINE_ENV_ROOT=${WINE_ENV_ROOT:-$bin/../wine}
  "$repo/scripts/wine-env" "$here/restart_in_own_prefix.sh" --inside "$bin"
}

inside() {
  local bin=$1 medium log
  medium=$WINEPREFIX/drive_c/TavixRestartMedium
  log=$WINEPREFIX/relay.log
  mkdir -p "$medium"
  cp "$bin"/setup_medium/*_ "$bin/setup_medium/TAVMOUSE.INF" "$bin/setup.exe" "$medium/"
  wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d "$traced" /f >/dev/null 2>&1
  if ! (cd "$bin" && WINEDEBUG=+relay,+process wine restart_driver.exe 'C:\TavixRestartMedium' 2>"$log"); then
    echo "restart_in_own_prefix: the driver failed; end of the trace:"
    tail -n 40 "$log"
    exit 1
  fi
  python3 "$here/check_restart_trace.py" "$log"
}

if [ "${1:-}" = "--inside" ]; then
  inside "$2"
else
  outside "$1"
fi
