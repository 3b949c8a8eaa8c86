#!/usr/bin/env python3
"""The printed examples never end a page with a heading: each heading stays with the first rows of its table."""
import html
import os
import re
import subprocess
import sys
import tempfile

cellsheet, examples = sys.argv[1], sys.argv[2]
env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
failures = []
with tempfile.TemporaryDirectory() as tmp:
    for example in ("laptop-usb-c", "laptop-two-batteries", "desktop-ups"):
        pdf, page_html = os.path.join(tmp, example + ".pdf"), os.path.join(tmp, example + ".html")
        run = subprocess.run([cellsheet, "--resources", os.path.join(examples, example), "--pdf", pdf,
                              "--export-html", page_html, "--inventory-timeout", "60"],
                             env=env, capture_output=True, text=True, timeout=240)
        if run.returncode != 0:
            sys.exit(f"{example}: cellsheet exited {run.returncode}: {run.stderr}")
        with open(page_html, encoding="utf-8") as f:
            headings = {html.unescape(h).strip() for h in re.findall(r"<h[1-6]>(.*?)</h[1-6]>", f.read())}
        text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True, check=True).stdout
        pages = [p for p in text.split("\f") if p.strip()]
        if len(pages) < 2:
            failures.append(f"{example}: only {len(pages)} page(s); the check needs page breaks")
        for number, page in enumerate(pages, 1):
            lines = [l.strip() for l in page.splitlines() if l.strip() and not re.fullmatch(r"\s*Page \d+ of \d+\s*", l)]
            if lines and lines[-1] in headings:
                failures.append(f"{example}: page {number} ends with the heading {lines[-1]!r}")
if failures:
    sys.exit("\n".join(failures))
print("3 passed, 0 failed")
