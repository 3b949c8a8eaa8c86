#!/usr/bin/env python3
"""The resident memory of a group of processes, each physical page counted once: KiB on standard output.

Unlike the sum of their PSS, this does not change with what else runs: a library page another program also maps
counts whole here, as it would in the group's PSS if the group ran alone. Needs root (page frame numbers).
Usage: resident-pages.py PID..."""

import re
import struct
import sys

PAGE = 4096
PRESENT = 1 << 63
FRAME = (1 << 55) - 1


def frames(pid):
    """The frame numbers of the process's resident pages, reading the page map only where smaps shows some."""
    regions = []
    start = end = None
    with open(f"/proc/{pid}/smaps") as smaps:
        for line in smaps:
            bounds = re.match(r"^([0-9a-f]+)-([0-9a-f]+) ", line)
            if bounds:
                start, end = int(bounds.group(1), 16), int(bounds.group(2), 16)
            elif line.startswith("Rss:") and int(line.split()[1]) > 0:
                regions.append((start, end))
    found = set()
    with open(f"/proc/{pid}/pagemap", "rb") as pagemap:
        for start, end in regions:
            pagemap.seek(start // PAGE * 8)
            data = pagemap.read((end - start) // PAGE * 8)
            for (entry,) in struct.iter_unpack("<Q", data):
                if entry & PRESENT:
                    found.add(entry & FRAME)
    if found == {0}:
        sys.exit("resident-pages: page frame numbers are hidden (run as root)")
    return found


def main():
    pages = set()
    for pid in sys.argv[1:]:
        try:
            pages |= frames(pid)
        except (FileNotFoundError, ProcessLookupError):
            pass  # a process of the group ended meanwhile
    print(len(pages) * PAGE // 1024)


main()
