"""Checks Wine's relay trace of setup's restart request: on the thread that
asked for the restart, the shutdown privilege was looked up, the own process
and its token opened with the rights setup asks for, the privilege enabled
with what those calls produced, both handles closed, and ExitWindowsEx called
with EWX_REBOOT alone; and the system then started ending the session.

usage: check_restart_trace.py RELAY_LOG
"""
import re
import sys

CALL = re.compile(r"^([0-9a-f]+):Call\s+[\w.]+\.(\w+)\((.*)\) ret=[0-9a-f]+$")
RET = re.compile(r"^([0-9a-f]+):Ret\s+[\w.]+\.(\w+)\(\) retval=([0-9a-f]+) ret=[0-9a-f]+$")


def fail(message):
    print("check_restart_trace: " + message)
    sys.exit(1)


def calls_of_thread(lines, tid):
    """(name, args, retval) of every traced call the thread made, in order."""
    calls, open_calls = [], []
    for line in lines:
        m = CALL.match(line)
        if m and m.group(1) == tid:
            args = [a.split(" ")[0] for a in m.group(3).split(",")] if m.group(3) else []
            open_calls.append(len(calls))
            calls.append([m.group(2), args, None])
            continue
        m = RET.match(line)
        if m and m.group(1) == tid and open_calls:
            calls[open_calls.pop()][2] = m.group(3)
    return calls


def expect(call, name, check, what):
    if call is None or call[0] != name or not check(call[1], call[2]):
        fail("expected %s, got %s" % (what, call))


def main(path):
    with open(path, errors="replace") as f:
        lines = f.read().splitlines()
    restart = [CALL.match(l) for l in lines if ":Call user32.ExitWindowsEx(" in l]
    if not restart or not restart[0]:
        fail("setup made no restart request")
    tid = restart[0].group(1)
    calls = calls_of_thread(lines, tid)
    start = next((i for i, c in enumerate(calls) if c[0] == "LookupPrivilegeValueA"), None)
    if start is None:
        fail("the shutdown privilege was never looked up")
    calls = calls[start:]
    # Handles other than the process and token are not ours to follow.
    steps = iter(calls)
    lookup = next(steps, None)
    expect(lookup, "LookupPrivilegeValueA", lambda a, r: a[0] == "00000000" and r == "00000001",
           "LookupPrivilegeValueA(NULL, \"SeShutdownPrivilege\") succeeding")
    if '"SeShutdownPrivilege"' not in [l for l in lines if l.startswith(tid + ":Call") and "LookupPrivilegeValueA" in l][0]:
        fail("the privilege looked up is not SeShutdownPrivilege")
    process = next(steps, None)
    expect(process, "OpenProcess", lambda a, r: a[:2] == ["001f0fff", "00000001"] and r not in (None, "00000000"),
           "OpenProcess(0x1F0FFF, TRUE, own id) succeeding")
    handle = process[2]
    token = next(steps, None)
    expect(token, "OpenProcessToken", lambda a, r: a[0] == handle and a[1] == "00000020" and r == "00000001",
           "OpenProcessToken(process, TOKEN_ADJUST_PRIVILEGES) succeeding")
    adjust = next(steps, None)
    expect(adjust, "AdjustTokenPrivileges",
           lambda a, r: a[1] == "00000000" and a[3:] == ["00000000"] * 3 and r == "00000001",
           "AdjustTokenPrivileges(token, FALSE, privileges, 0, NULL, NULL) succeeding")
    token_handle = adjust[1][0]
    rest = [c for c in steps if c[0] != "CloseHandle" or c[1][0] in (token_handle, handle)]
    names = [(c[0], c[1]) for c in rest]
    wanted = [("CloseHandle", [token_handle]), ("CloseHandle", [handle]),
              ("ExitWindowsEx", ["00000002", "00000000"])]
    if names[:3] != wanted:
        fail("expected the token and the process closed, then ExitWindowsEx(EWX_REBOOT, 0); got %s" % names[:3])
    if not any("wineboot.exe --end-session" in l for l in lines):
        fail("the system did not start ending the session")
    print("check_restart_trace: restart requested with the shutdown privilege enabled")


if __name__ == "__main__":
    main(sys.argv[1])
