#!/usr/bin/env python3
"""Exact seeks in mpv, the reference player: `mpv_seek.py FILE FRAME_SECONDS TARGETS [WARM_UP]` seeks a
paused mpv (--hr-seek=yes, no video output) to each frame listed in TARGETS through its JSON IPC (`seek T
absolute+exact`) and times each to mpv's `playback-restart` event, the first WARM_UP (default 0) not
counted. Prints "seek_exact_p50 MS" and "seek_exact_p95 MS"."""
import json
import os
import socket
import subprocess
import sys
import tempfile
import time


def percentile(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(p * len(values)))] if values else 0.0


class Mpv:
    def __init__(self, path):
        self.dir = tempfile.mkdtemp()
        sock = os.path.join(self.dir, "ipc")
        self.proc = subprocess.Popen(
            ["mpv", "--no-config", "--vo=null", "--ao=null", "--pause", "--hr-seek=yes", "--keep-open=yes",
             "--idle=no", f"--input-ipc-server={sock}", path],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(500):
            if os.path.exists(sock):
                break
            time.sleep(0.01)
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.connect(sock)
        self.buffer = b""

    def send(self, *command):
        self.sock.sendall(json.dumps({"command": list(command)}).encode() + b"\n")

    def wait_event(self, name, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            while b"\n" in self.buffer:
                line, self.buffer = self.buffer.split(b"\n", 1)
                if json.loads(line).get("event") == name:
                    return True
            self.sock.settimeout(max(0.01, deadline - time.monotonic()))
            self.buffer += self.sock.recv(65536)
        return False

    def close(self):
        self.send("quit")
        self.proc.wait(timeout=10)


def main():
    path, frame, targets = sys.argv[1], float(sys.argv[2]), sys.argv[3]
    warm_up = int(sys.argv[4]) if len(sys.argv) > 4 else 0
    mpv = Mpv(path)
    mpv.wait_event("playback-restart")  # the file is loaded and its first picture decoded
    times = []
    for line in open(targets):
        if not line.strip():
            continue
        t = (int(line) + 0.5) * frame
        start = time.monotonic()
        mpv.send("seek", t, "absolute+exact")
        if mpv.wait_event("playback-restart") and warm_up == 0:
            times.append((time.monotonic() - start) * 1000)
        warm_up = max(0, warm_up - 1)
    mpv.close()
    print(f"seek_exact_p50 {percentile(times, 0.5):.3f}")
    print(f"seek_exact_p95 {percentile(times, 0.95):.3f}")


if __name__ == "__main__":
    main()
