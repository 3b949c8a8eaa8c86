#!/usr/bin/env python3
"""Installs the build under a temporary prefix and under DESTDIR, and runs each installed copy from elsewhere:
install_test.py CMAKE BUILD_DIR BINDIR DATADIR."""

import os
import plistlib
import subprocess
import sys
import tempfile

CMAKE, BUILD, BINDIR, DATADIR = sys.argv[1:5]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def installed_environment():
    env = dict(os.environ)
    # Nothing may point the installed copy back at the build tree or a test tool.
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "CELLSHEET_RESOURCE_DIR", "CELLSHEET_PROFILER"):
        env.pop(name, None)
    return env


def install(env_extra, *arguments):
    env = dict(os.environ, **env_extra)
    result = subprocess.run([CMAKE, "--install", BUILD, *arguments], env=env, capture_output=True, text=True)
    check(result.returncode == 0, f"cmake --install {' '.join(arguments)}: {result.stderr}")


def check_tree(root, where):
    """root is the installed prefix as it sits on disk."""
    binary = os.path.join(root, BINDIR, "cellsheet")
    check(os.access(os.path.join(root, BINDIR, "cellsheet-profiler"), os.X_OK), f"{where}: no cellsheet-profiler")
    for path in ("applications/org.cellsheet.cellsheet.desktop", "metainfo/org.cellsheet.cellsheet.metainfo.xml",
                 "icons/hicolor/scalable/apps/org.cellsheet.cellsheet.svg",
                 "icons/hicolor/48x48/apps/org.cellsheet.cellsheet.png", "man/man1/cellsheet.1",
                 "man/man1/cellsheet-profiler.1", "bash-completion/completions/cellsheet-profiler",
                 "fish/vendor_completions.d/cellsheet-profiler.fish",
                 "doc/cellsheet/examples/laptop-usb-c/QorvCSPowerSourceBridgePowerSources.plist",
                 "cellsheet/translations/cellsheet_de.qm", "cellsheet/de.lproj/Localizable.strings",
                 "cellsheet/de.lproj/QorvCSReportCupel.strings"):
        check(os.path.isfile(os.path.join(root, DATADIR, path)), f"{where}: {path} is not installed")
    result = subprocess.run([binary, "--debug-plist", "-", "--inventory-timeout", "120"], cwd=tempfile.gettempdir(),
                            env=installed_environment(), stdin=subprocess.DEVNULL, capture_output=True, timeout=240)
    check(result.returncode == 0, f"{where}: exit status {result.returncode}: {result.stderr.decode()}")
    try:
        tree = plistlib.loads(result.stdout)
    except Exception as e:  # noqa: BLE001 - any parse failure is the finding
        failures.append(f"{where}: not a property list ({e}): {result.stdout[:300]!r}")
        return
    computer = tree["children"][0].get("children", [])
    kinds = {child.get("class") for child in computer}
    check(kinds == {"QorvCSContentSystemProfileDataType"}, f"{where}: no inventory, the computer group holds {kinds}")
    # The installed copy finds its German texts from where it is, without the glibc locale being generated.
    result = subprocess.run([binary, "--html", "-", "--inventory-timeout", "1"], cwd=tempfile.gettempdir(),
                            env=dict(installed_environment(), LANG="de_DE.UTF-8", LANGUAGE="de"),
                            stdin=subprocess.DEVNULL, capture_output=True, timeout=240)
    page = result.stdout.decode("utf-8", "replace")
    check('lang="de"' in page and "Energie- und Inventarbericht" in page,
          f"{where}: the report is not German: {page[:300]!r}")
    # A PDF is made with the modules the installed copy loads from its own library folder.
    with tempfile.TemporaryDirectory() as scratch:
        pdf = os.path.join(scratch, "report.pdf")
        result = subprocess.run([binary, "--pdf", pdf, "--inventory-timeout", "1"], cwd=scratch,
                                env=dict(installed_environment(), XDG_RUNTIME_DIR=scratch), stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=240)
        check(result.returncode == 0 and b"module" not in result.stderr,
              f"{where}: --pdf: exit status {result.returncode}: {result.stderr.decode()}")
        text = subprocess.run(["pdftotext", "-f", "1", "-l", "1", pdf, "-"], capture_output=True, text=True).stdout
        check("Page 1 of " in text, f"{where}: the PDF has no page numbers: {text[-300:]!r}")


with tempfile.TemporaryDirectory() as directory:
    prefix = os.path.join(directory, "prefix")
    install({}, "--prefix", prefix)
    check_tree(prefix, "--prefix")

    stage = os.path.join(directory, "stage")
    install({"DESTDIR": stage})
    configured = subprocess.run([CMAKE, "-L", "-N", BUILD], capture_output=True, text=True).stdout
    configured_prefix = next(line.split("=", 1)[1] for line in configured.splitlines()
                             if line.startswith("CMAKE_INSTALL_PREFIX:"))
    check_tree(stage + configured_prefix, "DESTDIR")

for failure in failures:
    print(f"FAIL: {failure}", file=sys.stderr)
print("failed" if failures else "passed")
sys.exit(1 if failures else 0)
