#!/usr/bin/env python3
"""Writes a C++ source holding files, compressed.

    embed-files.py OUT.cpp NAMESPACE NAME=FILE...

Each NAME becomes `const unsigned char NAME[]`, a zlib stream of the file
(as zlib's compress() makes), with `NAME##Size`, the stream's length, and
`NAME##Inflated`, the file's.  A string literal compiles far faster than a
list of numbers; the output depends on the files' bytes only, so the
build stays reproducible.
"""
import os
import sys
import zlib


def main():
    out, namespace, pairs = sys.argv[1], sys.argv[2], sys.argv[3:]
    lines = ["// Written by cmake/embed-files.py; do not edit.", "#include <cstddef>", "",
             "namespace %s {" % namespace]
    for pair in pairs:
        name, path = pair.split("=", 1)
        with open(path, "rb") as f:
            raw = f.read()
        data = zlib.compress(raw, 9)
        lines.append("// %s" % os.path.basename(path))
        lines.append("extern const unsigned char %s[] =" % name)
        for at in range(0, len(data), 40):
            lines.append('    "%s"' % "".join("\\x%02x" % b for b in data[at:at + 40]))
        lines[-1] += ";"
        lines.append("extern const std::size_t %sSize = %d;" % (name, len(data)))
        lines.append("extern const std::size_t %sInflated = %d;" % (name, len(raw)))
    lines.append("}  // namespace %s" % namespace)
    tmp = out + ".tmp"
    with open(tmp, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
