#!/usr/bin/env python3
"""--pdf writes a PDF with real text that identifies itself: a header with the computer's name, "Page N of M" on
every page, and the Title metadata."""
import os
import re
import socket
import subprocess
import sys
import tempfile

cellsheet, resources = sys.argv[1], sys.argv[2]
env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
with tempfile.TemporaryDirectory() as tmp:
    out = os.path.join(tmp, "report.pdf")
    run = subprocess.run([cellsheet, "--resources", resources, "--pdf", out, "--inventory-timeout", "60"],
                         env=env, capture_output=True, text=True, timeout=240)
    if run.returncode != 0:
        sys.exit(f"cellsheet exited {run.returncode}: {run.stderr}")
    with open(out, "rb") as f:
        if not f.read(5) == b"%PDF-":
            sys.exit("not a PDF file")
    text = subprocess.run(["pdftotext", "-layout", out, "-"], capture_output=True, text=True, check=True).stdout
    name = socket.gethostname()
    try:
        with open("/etc/machine-info") as f:
            pretty = re.search(r"^PRETTY_HOSTNAME=[\"']?(.*?)[\"']?$", f.read(), re.M)
            name = pretty.group(1) if pretty and pretty.group(1) else name
    except OSError:
        pass
    info = subprocess.run(["pdfinfo", out], capture_output=True, text=True, check=True).stdout
    pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
    if not re.search(r"^Title:\s+Power and inventory report: " + re.escape(name) + "$", info, re.M):
        sys.exit(f"no Title naming the report and {name!r}:\n{info}")
    first = text.split("\f")[0]
    if "Power and inventory report" not in first or f"Computer: {name}" not in first or "cellsheet " not in first:
        sys.exit(f"no header on the first page:\n{first[:800]}")
    for number, page in enumerate(text.split("\f")[:pages], 1):
        if f"Page {number} of {pages}" not in page:
            sys.exit(f"page {number} has no footer:\n{page[-400:]}")
    # A caption that only repeats its heading is printed once, as the heading; a caption that says more stays.
    if "INTERNAL BATTERY" in text or "MEMORY OVERVIEW" not in text:
        sys.exit(f"captions: repeated heading printed, or a caption of its own lost:\n{text[:1500]}")
    for expected in ("InternalBattery-0", "USB-C PD"):
        if expected not in text:
            sys.exit(f"{expected!r} not in the PDF's text:\n{text[:2000]}")
    bad = os.path.join(tmp, "missing", "report.pdf")
    run = subprocess.run([cellsheet, "--pdf", bad], env=env, capture_output=True, text=True, timeout=240)
    if run.returncode != 1 or "report.pdf" not in run.stderr:
        sys.exit(f"an unwritable PDF must exit 1 naming the file, got {run.returncode}: {run.stderr}")
print("1 passed, 0 failed")
