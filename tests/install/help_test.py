#!/usr/bin/env python3
"""Every option a command's --help shows is in its manual page and its bash and fish completions, and the bash
completion completes: help_test.py BINARY MANPAGE COMPLETION (the fish one is COMPLETION.fish)."""

import os
import re
import subprocess
import sys

BINARY, MANPAGE, COMPLETION = sys.argv[1:4]
failures = []

help_text = subprocess.run([BINARY, "--help"], capture_output=True, text=True, check=True).stdout
options = sorted(set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", help_text)))
if len(options) < 3:
    failures.append(f"found no options in --help: {help_text!r}")

with open(MANPAGE) as f:
    # Man source spells a hyphen "\-" and changes fonts with "\fB" and the like.
    manual = re.sub(r"\\f[BIRP]", "", f.read()).replace("\\-", "-")
with open(COMPLETION) as f:
    completion = f.read()
with open(COMPLETION + ".fish") as f:
    fish = f.read()
for option in options:
    if f"-l {option[2:]} " not in fish:
        failures.append(f"{option} is not in {COMPLETION}.fish")
    if not re.search(rf"(?<![\w-]){re.escape(option)}(?![\w-])", manual):
        failures.append(f"{option} is not in {MANPAGE}")
    if not re.search(rf"(?<![\w-]){re.escape(option)}(?![\w-])", completion):
        failures.append(f"{option} is not in {COMPLETION}")


def complete(*words):
    """What the completion offers for the command line BINARY words..., the last word being completed."""
    name = re.search(r"complete .*-F (\w+)", completion).group(1)
    script = (f"source '{COMPLETION}'; COMP_WORDS=('{BINARY}' {' '.join(repr(w) for w in words)}); "
              f"COMP_CWORD={len(words)}; {name} '{BINARY}' {words[-1]!r} {(words[:-1] or ('',))[-1]!r}; "
              "printf '%s\\n' \"${COMPREPLY[@]}\"")
    return subprocess.run(["bash", "-c", script], capture_output=True, text=True).stdout.split()


offered = complete("--")
if sorted(offered) != options:
    failures.append(f"'--' completes to {offered}, --help shows {options}")
if os.path.basename(BINARY) == "cellsheet-profiler":
    listed = [line for line in subprocess.run([BINARY, "--list"], capture_output=True, text=True).stdout.split()
              if line.startswith("SP")]
    if complete("SPSof") != ["SPSoftwareDataType"] or sorted(complete("")) != sorted(listed):
        failures.append(f"data types complete to {complete('')}, --list shows {listed}")
    if complete("--detail-level", "") != ["mini", "basic", "full"]:
        failures.append(f"--detail-level completes to {complete('--detail-level', '')}")

for failure in failures:
    print(f"FAIL: {failure}", file=sys.stderr)
print("failed" if failures else "passed")
sys.exit(1 if failures else 0)
