#!/usr/bin/env python3
"""Unfair clients for tools/server-bench.sh, on loopback only, every loop bounded.

  server-abuse.py slow PORT COUNT SECONDS
      COUNT connections (20 from each of many 127.0.x.y addresses) that send
      a request head a byte at a time, one byte per connection per second,
      for SECONDS; prints how many were open at the start and at the end.

  server-abuse.py oversized PORT PID
      Each kind of oversized or packed request in turn, up to 256 MiB sent
      unless the service answers first; prints the answer, what was sent by
      then and the service's peak memory (VmHWM, reset before each kind)
      beside its idle memory.
"""

import resource
import select
import socket
import sys
import time

HUGE = 256 << 20


def connect(port, source):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.bind((source, 0))
    s.settimeout(5)
    s.connect(("127.0.0.1", port))
    s.setblocking(False)
    return s


def slow_one(port, i):
    # 20 from each address: within the per-address cap, as a botnet would.
    s = connect(port, "127.0.%d.%d" % (3 + i // 4800, 10 + (i // 20) % 240))
    s.send(b"GET / HTTP/1.1\r\nHost: k\r\nX-Slow: ")
    return s


def slow(port, count, seconds):
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if soft < count + 100:
        resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, count + 1000), hard))
    conns = []
    for i in range(count):
        try:
            conns.append(slow_one(port, i))
        except OSError:
            break
    print("slow connections open: %d" % len(conns), flush=True)
    # Like a real attacker: a connection the service lets go is opened again.
    reopened = 0
    end = time.time() + seconds
    while time.time() < end:
        for i, s in enumerate(conns):
            try:
                s.send(b"a")
            except OSError:
                s.close()
                try:
                    conns[i] = slow_one(port, i)
                    reopened += 1
                except OSError:
                    pass
        time.sleep(1)
    print("slow connections after %ds: %d open, %d reopened after the service let them go"
          % (seconds, len(conns), reopened), flush=True)
    for s in conns:
        s.close()


def memory_kb(pid, field):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return -1


def oversized(port, pid):
    block = b"a" * 65536
    chunk = b"10000\r\n" + block + b"\r\n"
    post = b"POST /registrera/ HTTP/1.1\r\nHost: k\r\nContent-Type: application/x-www-form-urlencoded\r\n"
    kinds = [
        ("chunked form body", post + b"Transfer-Encoding: chunked\r\n\r\n", chunk),
        ("chunked score body", b"POST /r0002.asp HTTP/1.1\r\nHost: k\r\nTransfer-Encoding: chunked\r\n\r\n", chunk),
        ("body without length", post + b"\r\n", block),
        ("declared 256 MiB", post + b"Content-Length: 268435456\r\n\r\n", block),
        ("brotli body", post + b"Content-Encoding: br\r\nContent-Length: 809\r\n\r\n" + b"\x1b" * 809, None),
        ("request line", b"GET /", block),
        ("header line", b"GET / HTTP/1.1\r\nX-Long: ", block),
        ("header fields", b"GET / HTTP/1.1\r\n", b"X: 1\r\n" * 10000),
    ]
    idle = memory_kb(pid, "VmRSS")
    print("idle memory: %.1f MiB" % (idle / 1024))
    for name, head, more in kinds:
        with open("/proc/%d/clear_refs" % pid, "w") as f:
            f.write("5")  # resets the peak
        s = connect(port, "127.0.0.1")
        s.send(head)
        sent = 0
        answer = b""
        started = time.time()
        while sent < HUGE and time.time() - started < 60:
            readable, writable, _ = select.select([s], [s] if more else [], [], 5)
            if readable:
                break
            if not writable:
                break
            try:
                sent += s.send(more)
            except OSError:
                break
        try:
            s.setblocking(True)
            s.settimeout(5)
            answer = s.recv(200)
        except OSError:
            pass
        s.close()
        status = answer.split(b"\r\n")[0].decode("latin-1") or "(closed)"
        peak = memory_kb(pid, "VmHWM")
        print("%-20s %-40s sent %7.2f MiB, peak %.1f MiB (+%.1f over idle)"
              % (name, status, sent / 1048576, peak / 1024, (peak - idle) / 1024), flush=True)


def main():
    if len(sys.argv) == 5 and sys.argv[1] == "slow":
        slow(int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]))
    elif len(sys.argv) == 4 and sys.argv[1] == "oversized":
        oversized(int(sys.argv[2]), int(sys.argv[3]))
    else:
        print(__doc__, file=sys.stderr)
        sys.exit(2)


if __name__ == "__main__":
    main()
