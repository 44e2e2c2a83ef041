#!/usr/bin/env python3
"""The include arrows between the program's folders.

A folder's portable half and its win32/ half count as two places, and the
run record (app/win32/CaptureState.h), which every Win32 half shares, as a
place of its own.  Prints, for each pair of places, how many files of the
first include headers of the second and which, then any circle.  With
--check it exits 1 on a circle, or when a folder below app/ includes
anything of app/ but the run record, or the engine (link/, capture/)
includes anything of app/ at all: only the stored-file views
(capture/win32/FileViews) work on the run record.

Files are checked too, everywhere: a header and the source file of the same
name count as one unit, and no unit may reach itself through includes.
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAM = ["base", "view", "capture", "settings", "link", "render", "print", "app"]
RUN_RECORD = "app/win32/CaptureState.h"
ENGINE = ["link", "capture"]
RECORD_USERS = ["capture/win32/FileViews.h", "capture/win32/FileViews.cpp"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources():
    listed = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"],
                            cwd=ROOT, capture_output=True, text=True, check=True).stdout.split()
    return [f for f in listed if f.endswith((".h", ".cpp", ".rc")) and os.path.exists(os.path.join(ROOT, f))]


def place(path):
    if path == RUN_RECORD:
        return "run record"
    parts = path.split("/")
    return parts[0] + "/win32" if len(parts) > 2 and parts[1] == "win32" else parts[0]


def folder(name):
    return name.split("/", 1)[0]


def unit(path):
    return os.path.splitext(path)[0]


def circles(graph):
    """Each strongly connected set of more than one node, sorted."""
    index, low, stack, on, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on.add(v)
        for w in sorted(graph.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for v in sorted(graph):
        if v not in index:
            visit(v)
    return sorted(found)


def main():
    check = "--check" in sys.argv[1:]
    edges = {}  # (from, to) -> {header: files}
    units = {}  # unit -> units it includes
    for f in sources():
        with open(os.path.join(ROOT, f), encoding="utf-8", errors="replace") as text:
            for header in INCLUDE.findall(text.read()):
                if not os.path.exists(os.path.join(ROOT, header)):
                    continue
                if unit(f) != unit(header):
                    units.setdefault(unit(f), set()).add(unit(header))
                a, b = place(f), place(header)
                if a != b:
                    edges.setdefault((a, b), {}).setdefault(header, set()).add(f)

    for (a, b), headers in sorted(edges.items()):
        files = set().union(*headers.values())
        print(f"{a} -> {b}: {len(files)} files; " + ", ".join(sorted(headers)))

    faults = []
    graph = {}
    program = lambda name: name == "run record" or folder(name) in PROGRAM
    for (a, b) in edges:
        if program(a) and program(b):
            graph.setdefault(a, set()).add(b)
    # A circle: a place that reaches itself.
    for start in sorted(graph):
        seen, todo = set(), list(graph.get(start, ()))
        while todo:
            n = todo.pop()
            if n == start:
                faults.append(f"circle through {start}")
                break
            if n not in seen:
                seen.add(n)
                todo.extend(graph.get(n, ()))
    for (a, b), headers in edges.items():
        if folder(a) in PROGRAM and folder(a) != "app" and folder(b) == "app":
            for header in sorted(headers):
                users = sorted(headers[header])
                if folder(a) in ENGINE:
                    users = [f for f in users if f not in RECORD_USERS]
                    if users:
                        faults.append(f"{a}/ includes {header}: " + ", ".join(users))
                elif header != RUN_RECORD:
                    faults.append(f"{a}/ includes {header}: " + ", ".join(users))
    sys.setrecursionlimit(10000)
    for group in circles(units):
        faults.append("circle between files: " + ", ".join(group))
    for fault in faults:
        print("FAULT: " + fault)
    if not faults:
        print("no circle between folders or files; below app/ only the run record is included, "
              "and of the engine only by the stored-file views")
    return 1 if check and faults else 0


if __name__ == "__main__":
    sys.exit(main())
