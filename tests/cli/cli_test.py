#!/usr/bin/env python3
"""Runs the cellsheet binary without a display and checks one case: cli_test.py BINARY CASE."""

import json
import os
import plistlib
import subprocess
import sys
import tempfile

BINARY = sys.argv[1]
CASE = sys.argv[2]
failures = []


def run(*arguments, env_extra=None, timeout=240):
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
        env.pop(name, None)
    env.update(env_extra or {})
    result = subprocess.run([BINARY, *arguments], env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
    return result.returncode, result.stdout, result.stderr.decode("utf-8", "replace")


def check(condition, message):
    if not condition:
        failures.append(message)


def expect(status, expected_status, stderr):
    check(status == expected_status, f"exit status {status}, expected {expected_status}; stderr:\n{stderr}")


def looks_like_html(data):
    text = data.decode("utf-8")
    head = text.lstrip().lower()
    return (head.startswith("<!doctype html") or head.startswith("<html")) and text.rstrip().lower().endswith("</html>")


def case_export_html_and_file():
    with tempfile.TemporaryDirectory() as directory:
        screen = os.path.join(directory, "screen.html")
        status, out, err = run("--html", screen, "--export-html", "-", "--inventory-timeout", "30")
        expect(status, 0, err)
        check(looks_like_html(out), "export rendering on standard output is not HTML")
        with open(screen, "rb") as f:
            check(looks_like_html(f.read()), "screen rendering in the file is not HTML")
        check(sorted(os.listdir(directory)) == ["screen.html"], f"stray files: {os.listdir(directory)}")


def case_usage():
    status, out, err = run("--help")
    expect(status, 0, err)
    check(out.startswith(b"Usage: cellsheet"), f"help {out[:100]!r}")
    status, out, err = run("--bogus")
    expect(status, 2, err)
    check(out == b"", f"standard output {out!r}")
    lines = err.splitlines()
    check(len(lines) == 1 and "--bogus" in lines[0], f"stderr {err!r}")


def case_unwritable_output():
    status, out, err = run("--html", "/nonexistent-dir/x.html", "--inventory-timeout", "30")
    expect(status, 1, err)
    check("/nonexistent-dir/x.html" in err, f"stderr does not name the file: {err!r}")
    check(not os.path.exists("/nonexistent-dir"), "the directory was created")


def case_no_display():
    status, out, err = run()
    expect(status, 1, err)
    check("no display" in err, f"stderr {err!r}")


def case_malformed_templates():
    with tempfile.TemporaryDirectory() as directory:
        with open(os.path.join(directory, "QorvCSHTMLReport.plist"), "w") as f:
            f.write("<plist><dict><key>unterminated")
        status, out, err = run("--resources", directory, "--html", "-", "--inventory-timeout", "30")
        expect(status, 1, err)
        check("QorvCSHTMLReport malformed HTML templates resource." in err, f"stderr {err!r}")
        check(out == b"", f"a partial document was written: {out[:200]!r}")


def case_inventory_timeout():
    status, out, err = run("--inventory-timeout", "1", "--html", "-")
    expect(status, 0, err)
    check(looks_like_html(out), "no report after the time limit")
    # An inventory tool that would run far longer than the limit: the report is written without the inventory
    # and the tool does not hold up the exit.
    with tempfile.TemporaryDirectory() as directory:
        tool = write_script(directory, "sleep 100")
        try:
            status, out, err = run("--inventory-timeout", "1", "--html", "-", timeout=60,
                                   env_extra={"CELLSHEET_PROFILER": tool})
        except subprocess.TimeoutExpired:
            failures.append("a hanging inventory tool held up the exit")
            return
        expect(status, 0, err)
        check(looks_like_html(out), "no report while the inventory tool hangs")
        check("inventory not ready after 1 s" in err, f"the report did not wait for the inventory: {err!r}")
    status, out, err = run("--inventory-timeout", "later", "--html", "-")
    expect(status, 2, err)


def write_script(directory, body):
    """An executable shell script in directory; returns its path."""
    path = os.path.join(directory, "tool.sh")
    with open(path, "w") as f:
        f.write(f"#!/bin/sh\n{body}\n")
    os.chmod(path, 0o700)
    return path


def write_inventory_tool(directory, delay):
    """An inventory tool in directory that answers after delay seconds; returns its path."""
    inventory = [{
        "_dataType": "SPSoftwareDataType",
        "_items": [{"_name": "os_overview", "os_version": "Cellsheet Test OS 1.0"}],
        "_properties": {"os_version": {"_order": "10"}},
        "_SPCompletionInterval": 0.1,
    }]
    output = os.path.join(directory, "inventory.plist")
    with open(output, "wb") as f:
        plistlib.dump(inventory, f)
    return write_script(directory, f"sleep {delay}; cat '{output}'")


def case_quiet():
    # A successful --pdf prints nothing; CELLSHEET_DEBUG=1 brings the web engine's own diagnostics back.
    with tempfile.TemporaryDirectory() as directory:
        pdf = os.path.join(directory, "report.pdf")
        session = {"XDG_RUNTIME_DIR": directory}  # what a login session provides; Qt warns without it
        status, out, err = run("--pdf", pdf, "--inventory-timeout", "30", env_extra=session)
        expect(status, 0, err)
        check(err == "", f"a successful run wrote to standard error: {err!r}")
        status, out, err = run("--pdf", pdf, "--inventory-timeout", "30", env_extra=dict(session, CELLSHEET_DEBUG="1"))
        expect(status, 0, err)
        check("Init Parameters" in err, f"CELLSHEET_DEBUG=1 did not show the engine's diagnostics: {err!r}")


def case_debug_plist():
    # The tree on standard output, with an inventory that arrives within the limit: the report waits for it.
    with tempfile.TemporaryDirectory() as directory:
        tool = write_inventory_tool(directory, 1)
        # A resource folder is data: its Info.plist never names the program to run.
        marker = os.path.join(directory, "overlay-ran")
        with open(os.path.join(directory, "Info.plist"), "wb") as f:
            plistlib.dump({"QorvCSSystemProfilerControllerExecutable": ["/bin/sh", "-c", f"touch '{marker}'"]}, f)
        status, out, err = run("--resources", directory, "--debug-plist", "-", "--inventory-timeout", "60",
                               env_extra={"CELLSHEET_PROFILER": tool})
        check(not os.path.exists(marker), "the overlay's Info.plist ran a program")
        expect(status, 0, err)
        try:
            tree = plistlib.loads(out)
        except Exception as e:  # noqa: BLE001 - any parse failure is the finding
            failures.append(f"not a property list ({e}): {out[:300]!r}")
            return
        check(tree.get("class") == "QorvCSContentRoot", f"root class {tree.get('class')!r}")
        groups = [child.get("class") for child in tree.get("children", [])]
        check(groups == ["QorvCSContentComputerGroup", "QorvCSContentPowerSourceGroup",
                         "QorvCSContentPowerAdapterGroup"], f"groups {groups}")
        kinds = [c.get("class") for c in tree["children"][0].get("children", [])] if groups else []
        check(kinds == ["QorvCSContentSystemProfileDataType"], f"the computer group holds {kinds}, not the inventory")


def case_outputs_keep_what_is_at_the_path():
    # A FIFO is written in place (its reader gets the report), a 0600 file stays 0600, a link stays a link and the
    # PDF follows the same rules; nothing else appears in the folder.
    import stat
    import threading
    with tempfile.TemporaryDirectory() as directory:
        fifo, private, target, link, pdf = (os.path.join(directory, n) for n in (
            "fifo", "private.html", "target.plist", "link.plist", "private.pdf"))
        os.mkfifo(fifo)
        for path in (private, target, pdf):
            with open(path, "w") as f:
                f.write("old")
            os.chmod(path, 0o600)
        os.symlink("target.plist", link)
        received = []
        reader = threading.Thread(target=lambda: received.append(open(fifo, "rb").read()), daemon=True)
        reader.start()
        status, out, err = run("--html", fifo, "--export-html", private, "--debug-plist", link, "--pdf", pdf,
                               "--inventory-timeout", "30")
        expect(status, 0, err)
        reader.join(10)
        check(received and looks_like_html(received[0]), "the FIFO's reader got no report")
        check(stat.S_ISFIFO(os.lstat(fifo).st_mode), "the FIFO was replaced")
        check(os.path.islink(link), "the link was replaced")
        for path in (private, target, pdf):
            check(stat.S_IMODE(os.stat(path).st_mode) == 0o600, f"{os.path.basename(path)} lost its mode")
        with open(private, "rb") as f:
            check(looks_like_html(f.read()), "the export rendering was not written")
        with open(target, "rb") as f:
            check(f.read().startswith(b"<?xml"), "the link's target was not written")
        with open(pdf, "rb") as f:
            check(f.read(5) == b"%PDF-", "the PDF was not written")
        check(sorted(os.listdir(directory)) == ["fifo", "link.plist", "private.html", "private.pdf", "target.plist"],
              f"stray files: {os.listdir(directory)}")
EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples")
SCHEMA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "json-schema.json")


def json_rows(document):
    """Every row of the document, with the titles of the sections above it."""
    def walk(section, path):
        path = path + [section["title"]]
        for table in section["tables"]:
            for row in table["rows"]:
                yield path, row
        for child in section["sections"]:
            yield from walk(child, path)
    for group in document["groups"]:
        yield from walk(group, [])


def case_json():
    import jsonschema  # python3-jsonschema
    with open(SCHEMA) as f:
        schema = json.load(f)
    validator = jsonschema.Draft202012Validator(schema)
    with tempfile.TemporaryDirectory() as directory:
        # A machine without a battery or adapter: empty readings replace the machine's own.
        no_battery = os.path.join(directory, "no-battery")
        os.mkdir(no_battery)
        with open(os.path.join(no_battery, "QorvCSPowerSourceBridgePowerSources.plist"), "wb") as f:
            plistlib.dump([], f)
        with open(os.path.join(no_battery, "QorvCSPowerSourceBridgePowerAdapter.plist"), "wb") as f:
            plistlib.dump({}, f)
        for name in ("laptop-usb-c", "laptop-two-batteries", "desktop-ups", no_battery):
            resources = name if os.path.isabs(name) else os.path.join(EXAMPLES, name)
            status, out, err = run("--resources", resources, "--json", "-", "--inventory-timeout", "30")
            expect(status, 0, err)
            try:
                document = json.loads(out)
            except ValueError as e:
                failures.append(f"{name}: not JSON ({e}): {out[:300]!r}")
                continue
            problems = [f"{'/'.join(str(p) for p in e.absolute_path)}: {e.message}" for e in validator.iter_errors(document)]
            check(not problems, f"{name}: does not match the schema: {problems[:5]}")
            rows = list(json_rows(document))
            batteries = [row for path, row in rows if row.get("key") == "Current Capacity"]
            if name == no_battery:
                check(not batteries, f"no-battery: a battery row {batteries[:1]}")
                continue
            check(batteries and all(row["type"] == "integer" and row["value"] > 0 for row in batteries),
                  f"{name}: the charge is not a number: {batteries[:1]}")
            check(any("more" in row for _, row in rows), f"{name}: no row carries its explanation")
            check(all("<" not in row["text"] for _, row in rows), f"{name}: markup in a row's text")
        # To a file as well, next to the other outputs.
        path = os.path.join(directory, "report.json")
        status, out, err = run("--resources", os.path.join(EXAMPLES, "desktop-ups"), "--json", path, "--html", "-",
                               "--inventory-timeout", "30")
        expect(status, 0, err)
        with open(path) as f:
            check(validator.is_valid(json.load(f)), "the JSON file does not match the schema")
        status, out, err = run("--json", "-", "--debug-plist", "-")
        expect(status, 2, err)


def identifying_values(tree):
    """The serial numbers and power-source IDs in a power-source file, as text."""
    found = set()
    if isinstance(tree, dict):
        for key, value in tree.items():
            if ("serial" in key.lower() or key == "Power Source ID") and isinstance(value, (str, int)):
                found.add(str(value))
            found |= identifying_values(value)
    elif isinstance(tree, list):
        for value in tree:
            found |= identifying_values(value)
    return found


def case_sanitize():
    import re
    for name in ("laptop-usb-c", "laptop-two-batteries", "desktop-ups"):
        resources = os.path.join(EXAMPLES, name)
        values = set()
        for file in os.listdir(resources):
            if file.endswith(".plist"):
                with open(os.path.join(resources, file), "rb") as f:
                    values |= identifying_values(plistlib.load(f))
        check(values, f"{name}: the example has no serial to hide")
        with tempfile.TemporaryDirectory() as directory:
            outputs = {option: os.path.join(directory, option[2:]) for option in
                       ("--html", "--export-html", "--debug-plist", "--json")}
            for sanitize in (False, True):
                arguments = ["--resources", resources, "--inventory-timeout", "30"]
                for option, path in outputs.items():
                    arguments += [option, path]
                status, out, err = run(*arguments, *(["--sanitize"] if sanitize else []))
                expect(status, 0, err)
                for option, path in outputs.items():
                    with open(path, encoding="utf-8") as f:
                        text = f.read()
                    shown = sorted(v for v in values if re.search(r"(?<![\w.])" + re.escape(v) + r"(?![\w])", text))
                    if sanitize:
                        check(not shown, f"{name} {option} --sanitize shows {shown}")
                    else:
                        check(shown, f"{name} {option}: no serial even without --sanitize (the check proves nothing)")
            with open(outputs["--json"]) as f:
                document = json.load(f)
            check(document.get("sanitized") is True, f"{name}: the JSON does not say it is sanitised")
            serials = [row["text"] for _, row in json_rows(document) if row.get("key") == "Hardware Serial Number"]
            check(len(set(serials)) == len(serials) and all(s.startswith("[serial ") for s in serials),
                  f"{name}: the batteries' serials do not mask to distinct placeholders: {serials}")


def write_history(path, identity, now):
    """A history file as the window writes it: three days of samples a minute and two capacity rows."""
    import sqlite3
    os.makedirs(os.path.dirname(path), mode=0o700)
    db = sqlite3.connect(path)
    db.executescript("""
        CREATE TABLE sources(id INTEGER PRIMARY KEY, identity TEXT NOT NULL UNIQUE);
        CREATE TABLE samples(source INTEGER NOT NULL, time INTEGER NOT NULL, percent REAL, watts REAL,
            state INTEGER NOT NULL);
        CREATE TABLE capacities(source INTEGER NOT NULL, time INTEGER NOT NULL, full REAL, design REAL,
            cycles INTEGER);
        PRAGMA application_id=1129531475; PRAGMA user_version=1;""")
    db.execute("INSERT INTO sources VALUES(1, ?)", (identity,))
    db.executemany("INSERT INTO samples VALUES(1, ?, ?, 7.5, 2)",
                   [(t, 90 - (now - t) % 7200 / 100) for t in range(now - 3 * 86400, now, 60)])
    db.executemany("INSERT INTO capacities VALUES(1, ?, ?, 5000, ?)",
                   [(now - 200 * 86400, 5000, 10), (now - 3600, 4800, 62)])
    db.commit()
    db.close()


def case_history():
    import jsonschema  # python3-jsonschema
    import time
    with open(SCHEMA) as f:
        validator = jsonschema.Draft202012Validator(json.load(f))
    resources = os.path.join(EXAMPLES, "laptop-two-batteries")
    with tempfile.TemporaryDirectory() as directory:
        state = os.path.join(directory, "state")
        os.mkdir(state)
        env = {"XDG_STATE_HOME": state}
        # Without a history file the report has no charts, and the command line does not start one.
        status, out, err = run("--resources", resources, "--json", "-", "--inventory-timeout", "30", env_extra=env)
        expect(status, 0, err)
        check("history" not in out.decode(), "history without a history file")
        check(os.listdir(state) == [], f"the command line wrote to the state folder: {os.listdir(state)}")

        now = int(time.time())
        write_history(os.path.join(state, "cellsheet", "history.sqlite"), "serial\x1fSMP\x1f01AV489\x1f28971", now)
        status, out, err = run("--resources", resources, "--html", "-", "--inventory-timeout", "30", env_extra=env)
        expect(status, 0, err)
        html = out.decode()
        check(html.count("<figure") == 3 and html.count('role="img"') == 3, f"{html.count('<figure')} charts")
        check("Lost 4 % of design capacity since" in html and "62 cycles" in html, "no wear summary")

        status, out, err = run("--resources", resources, "--json", "-", "--history-days", "1",
                               "--inventory-timeout", "30", env_extra=env)
        expect(status, 0, err)
        document = json.loads(out)
        check(validator.is_valid(document), "the JSON with history does not match the schema")
        charts = [chart for group in document["groups"] for section in group["sections"]
                  for chart in section.get("history", [])]
        check([c["kind"] for c in charts] == ["activity", "wear"], f"charts {[c['kind'] for c in charts]}")
        samples = charts[0].get("samples", []) if charts else []
        check(len(samples) >= 1400 and all(s["time"] >= now - 86400 for s in samples),
              f"{len(samples)} samples, not the last day's")

        status, out, err = run("--history-days", "0", "--json", "-")
        expect(status, 2, err)
        check("--history-days" in err, f"stderr {err!r}")


CASES = {name[len("case_"):].replace("_", "-"): f for name, f in globals().items() if name.startswith("case_")}

if CASE not in CASES:
    print(f"unknown case {CASE}; cases: {', '.join(sorted(CASES))}", file=sys.stderr)
    sys.exit(2)
CASES[CASE]()
for failure in failures:
    print(f"FAIL {CASE}: {failure}", file=sys.stderr)
print(f"{CASE}: {'failed' if failures else 'passed'}")
sys.exit(1 if failures else 0)
