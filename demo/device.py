#!/usr/bin/env python3
"""A simulated device for the demo: every few seconds it writes a block of text ending in the
end marker to its end of a serial line (a pty), as a microcontroller board would."""

import argparse
import os
import sys
import time


def block(counter: int) -> bytes:
    now = time.strftime("%H:%M:%S")
    text = f"Tank monitor\r\nReading {counter}\r\nTemperature {20 + counter % 7} C\r\nSent {now}@@@@"
    return text.encode("ascii")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("port", help="the device's end of the serial line (a pty path)")
    parser.add_argument("--every", type=float, default=3.0, help="seconds between blocks")
    parser.add_argument("--count", type=int, default=0, help="blocks to send (0: until killed)")
    args = parser.parse_args()

    fd = os.open(args.port, os.O_WRONLY | os.O_NOCTTY)
    counter = 0
    while args.count == 0 or counter < args.count:
        counter += 1
        os.write(fd, block(counter))
        print(f"device: sent block {counter}", flush=True)
        time.sleep(args.every)
    return 0


if __name__ == "__main__":
    sys.exit(main())
