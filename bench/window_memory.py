#!/usr/bin/python3
"""Memory of the real editor process over loads through its file dialog.

    tests/main/with-accessibility-bus /usr/bin/python3 bench/window_memory.py \\
        build/default/src/app/vertalina-editor BASE.dat [SCREENSHOT.png]

Starts the editor, presses "Load Base" through the accessibility bus, types
the file's name into the open dialog (xdotool) and reads VmRSS and VmHWM of
the editor from /proc after each load. A report only: it never fails.
"""
import os
import subprocess
import sys
import time

import pyatspi

editor_path, base_path = sys.argv[1], os.path.abspath(sys.argv[2])
screenshot = sys.argv[3] if len(sys.argv) > 3 else None
size = os.path.getsize(base_path)


def status(pid, key):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1]) * 1024
    return 0


def find(root, role, name):
    return pyatspi.findDescendant(root, lambda a: a.getRoleName() == role and a.name == name)


def wait(what, seconds=60):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            if what():
                return True
        except Exception:
            pass
        time.sleep(0.05)
    return False


editor = subprocess.Popen([editor_path])
try:
    desktop = pyatspi.Registry.getDesktop(0)
    wait(lambda: any(a is not None and a.get_process_id() == editor.pid for a in desktop))
    app = next(a for a in desktop if a is not None and a.get_process_id() == editor.pid)
    wait(lambda: find(app, "push button", "Load Base"))
    load = find(app, "push button", "Load Base")
    log = find(app, "text", "Event log")
    time.sleep(2)
    before = status(editor.pid, "VmRSS")
    peak = 0
    for run in range(6):
        lines = log.queryText().characterCount
        load.queryAction().doAction(0)
        time.sleep(1.0)  # the dialog opens with its focus in the file name
        subprocess.run(["xdotool", "type", "--delay", "1", base_path], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        if not wait(lambda: log.queryText().characterCount > lines + 20):
            print("no log line after load %d" % (run + 1))
            break
        time.sleep(1.0)
        rss = status(editor.pid, "VmRSS")
        peak = max(peak, status(editor.pid, "VmHWM"))
        if run == 0:
            print("| one load adds | %.0f MB = %.2f x the file |" % ((rss - before) / 1e6, (rss - before) / size))
            if screenshot:
                subprocess.run(["import", "-window", "root", screenshot], check=False)
    print("| after six loads | %.0f MB = %.2f x the file above the start |" % ((rss - before) / 1e6,
                                                                            (rss - before) / size))
    print("| peak over the loads | %.0f MB = %.2f x the file above the start |" % ((peak - before) / 1e6,
                                                                                (peak - before) / size))
    print("(the file: %d bytes; the editor at start: %.0f MB resident)" % (size, before / 1e6))
finally:
    editor.terminate()
    editor.wait(timeout=10)
