#!/usr/bin/env python3
"""The include arrows between the program's folders.

Prints, for each pair of folders, how many files of the first include
headers of the second and which, then any fault.  With --check it exits 1
on a fault: a circle between the program's folders (a folder's portable
half and its win32/ or posix/ half count as the folder), or a folder below
app/ that includes anything of app/.

Files are checked too, everywhere: a header and the source file of the same
name count as one unit, and no unit may reach itself through includes.
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The program's folders, lowest first; the tools, tests and benchmarks sit
# above them all.
PROGRAM = ["base", "settings", "link", "render", "capture", "print", "view", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources():
    listed = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"],
                            cwd=ROOT, capture_output=True, text=True, check=True).stdout.split()
    return [f for f in listed if f.endswith((".h", ".cpp", ".rc")) and os.path.exists(os.path.join(ROOT, f))]


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
                a, b = folder(f), folder(header)
                if a != b:
                    edges.setdefault((a, b), {}).setdefault(header, set()).add(f)

    for (a, b), headers in sorted(edges.items()):
        files = set().union(*headers.values())
        print(f"{a} -> {b}: {len(files)} files; " + ", ".join(sorted(headers)))

    faults = []
    graph = {}
    for (a, b) in edges:
        if a in PROGRAM and b in PROGRAM:
            graph.setdefault(a, set()).add(b)
    for group in circles(graph):
        faults.append("circle between folders: " + ", ".join(group))
    for (a, b), headers in sorted(edges.items()):
        if a in PROGRAM and a != "app" and b == "app":
            for header in sorted(headers):
                faults.append(f"{a}/ includes {header}: " + ", ".join(sorted(headers[header])))
    sys.setrecursionlimit(10000)
    for group in circles(units):
        faults.append("circle between files: " + ", ".join(group))
    for fault in faults:
        print("FAULT: " + fault)
    if not faults:
        print("no circle between folders or files; nothing below app/ includes app/")
    return 1 if check and faults else 0


if __name__ == "__main__":
    sys.exit(main())
