#!/usr/bin/env python3
"""A capture device on loopback that loses its power and comes back.

Run inside a private network namespace (unshare -n), as root:
  vanishing_device.py FOLDER [--job-bytes N] [--dark-ms MS]

Brings the loopback up, listens on 127.0.0.1 (a free port, printed as
"listening 127.0.0.1:PORT"), and on the first connection sends job 1 and
stays connected.  A second later the wire is cut (lo down), the device
closes with SO_LINGER {1, 0} (its reset is lost on the cut wire: the
connection ends without a word), the wire comes back after --dark-ms, and
the device listens again on the same address.  On the next connection it
sends job 2 and stays connected until it is ended.  FOLDER receives
job1.bin and job2.bin, the bytes of each job; each step is a line on
standard output.
"""
import argparse
import os
import socket
import struct
import subprocess
import sys
import time


def say(text):
    print(text, flush=True)


def job(number, size):
    # Printer-like lines that tell the jobs apart.
    line = ("JOB %d LINE %%05d: the quick brown fox jumps over the lazy dog\r\n" % number)
    out = bytearray()
    i = 0
    while len(out) < size:
        out += (line % i).encode()
        i += 1
    return bytes(out[:size])


def listener(port):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", port))
    s.listen(1)
    return s


def serve_job(server, number, size, folder):
    conn, _ = server.accept()
    say("connected %d" % number)
    data = job(number, size)
    with open(os.path.join(folder, "job%d.bin" % number), "wb") as f:
        f.write(data)
    conn.sendall(data)
    say("sent job %d" % number)
    return conn


def wire(up):
    subprocess.run(["ip", "link", "set", "lo", "up" if up else "down"], check=True)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("folder")
    p.add_argument("--job-bytes", type=int, default=20000)
    p.add_argument("--dark-ms", type=int, default=2000)
    a = p.parse_args()
    wire(True)
    server = listener(0)
    port = server.getsockname()[1]
    say("listening 127.0.0.1:%d" % port)
    conn = serve_job(server, 1, a.job_bytes, a.folder)
    time.sleep(1.0)
    wire(False)
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    conn.close()
    server.close()
    say("vanished")
    time.sleep(a.dark_ms / 1000.0)
    wire(True)
    server = listener(port)
    say("back")
    conn = serve_job(server, 2, a.job_bytes, a.folder)
    try:
        while conn.recv(4096):
            pass
    except OSError:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
