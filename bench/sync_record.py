#!/usr/bin/python3
"""Records what a PulseAudio sink plays, with the wall-clock time each chunk arrived.

    sync_record.py SERVER SINK OUT_PREFIX

Writes OUT_PREFIX.raw (44.1 kHz, 16-bit little-endian stereo) and OUT_PREFIX.times.npy
(one row per chunk: sample frames received so far, time.time() on arrival) until SIGTERM.
parec hands its samples over some milliseconds after the sink played them, never before, so
the earliest arrival against the frame count times the recording's start best.
"""

import gc
import os
import signal
import subprocess
import sys
import time

import numpy as np

RATE = 44100
BYTES_PER_FRAME = 4


def main():
    server, sink, prefix = sys.argv[1:4]
    parec = subprocess.Popen(
        ["parec", "--server", server, "-d", sink + ".monitor", "--raw", "--format=s16le",
         f"--rate={RATE}", "--channels=2", "--latency-msec=5"],
        stdout=subprocess.PIPE, bufsize=0)
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(True))
    frames = 0
    pending = b""
    # Room for an hour of arrivals, and no garbage collection: the recorder stays light on a
    # machine whose two cores also run the demo and its X server.
    times = np.zeros((1 << 20, 2))
    rows = 0
    gc.disable()
    with open(prefix + ".raw", "wb") as out:
        while not stop:
            try:
                chunk = os.read(parec.stdout.fileno(), 65536)
            except InterruptedError:
                continue
            arrived = time.time()
            if not chunk:
                break
            pending += chunk
            whole = len(pending) // BYTES_PER_FRAME * BYTES_PER_FRAME
            out.write(pending[:whole])
            frames += whole // BYTES_PER_FRAME
            pending = pending[whole:]
            if rows < len(times):
                times[rows] = (frames, arrived)
                rows += 1
    parec.terminate()
    np.save(prefix + ".times.npy", times[:rows])


if __name__ == "__main__":
    main()
