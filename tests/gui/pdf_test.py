#!/usr/bin/env python3
"""--pdf writes a PDF with real text: the report's titles and rows are found by pdftotext."""
import os
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
    for expected in ("InternalBattery-0", "USB-C PD"):
        if expected not in text:
            sys.exit(f"{expected!r} not in the PDF's text:\n{text[:2000]}")
    bad = os.path.join(tmp, "missing", "report.pdf")
    run = subprocess.run([cellsheet, "--pdf", bad], env=env, capture_output=True, text=True, timeout=240)
    if run.returncode != 1 or "report.pdf" not in run.stderr:
        sys.exit(f"an unwritable PDF must exit 1 naming the file, got {run.returncode}: {run.stderr}")
print("1 passed, 0 failed")
