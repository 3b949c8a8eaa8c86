#!/usr/bin/env python3
"""Checks the shipped translations: l10n_test.py CASE RESOURCES [CELLSHEET EXAMPLES PROFILER MACHINES | LUPDATE SOURCE...].

tables  every English entry has a German one with the same placeholders, and every rule text is translated
qt      the Qt translation has a finished entry for every text lupdate finds in the sources
report  cellsheet --html under a German locale, with cellsheet-profiler's inventory of a fake machine, shows no
        English text of our own tables, no English word our code writes, and no decimal point
"""

import functools
import glob
import html
import os
import plistlib
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

CASE = sys.argv[1]
RESOURCES = sys.argv[2]
LANGUAGE = "de"
failures = []

# Texts that are the same in German: names, codes and units.
SAME_IN_GERMAN = {
    "PDF", "%@", "Name", "Status", "Computer", "Computer:", "Hardware", "Software", "PCI", "USB", "Audio",
    "Bluetooth", "NVM Express", "Intel", "x86-64", "MTU", "WWAN", "SAS", "Thunderbolt", "FireWire",
    "Fibre Channel", "Firewall", "Frameworks", "Modems", "Parallel ATA", "Parallel SCSI", "Serial ATA", "Profile",
    "Codec", "Bus", "Bank", "Duplex", "Version", "Revision", "Cache", "Zoom", "VoiceOver", "Apple", "Extras",
    "Intel HD Graphics 3000", "Intel High Definition Audio", "Secure Boot", "Controller", "Audio-ID",
    "&Name:", "Firmware", "Universal Serial Bus", "%1$@ (%2$@)", "April", "August", "September", "November",
}
# Words and units a rule may write untranslated.
SAME_WORDS = {"h", "min", "C", "W", "V", "A", "Wh", "Ah", "mAh", "PB", "TB", "GB", "MB", "KB", "USB", "PD", "PPS"}
# Working entries whose templates are codes for later rules, never shown.
CODE_ENTRIES = {"kind", "list", "modes", "listed", "decimal", "rounded", "increment", "round up"}


def check(condition, message):
    if not condition:
        failures.append(message)


def read_strings(path):
    """The entries of a strings file, "key" = "value"; (the subset of the syntax our tables use)."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    entries = {}
    for key, value in re.findall(r'"((?:[^"\\]|\\.)*)"\s*=\s*"((?:[^"\\]|\\.)*)"\s*;', text):
        unescape = lambda s: re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), s)
        entries[unescape(key)] = unescape(value)
    return entries


def placeholders(text):
    """The format's conversions (%@, %d, %1$@, Qt's %1), in order; %% is text."""
    return re.findall(r"%(?:\d+\$)?[-+ #0]*\d*(?:l|ll|h)?[@dixuXpfs]|%\d+", text.replace("%%", ""))


def captures(text):
    return sorted(re.findall(r"\{[^{}]*\}", text))


def rule_texts():
    """(file, template) for every template of the shipped rules that people read."""
    texts = []
    for path in sorted(glob.glob(os.path.join(RESOURCES, "QorvCSReportCupel", "*.plist"))):
        with open(path, "rb") as f:
            rule = plistlib.load(f)
        name = os.path.basename(path)
        replace = rule.get("replace") or {}
        key = replace.get("key") or (rule.get("match") or {}).get("key")
        if isinstance(replace.get("format"), str) and key not in CODE_ENTRIES:
            texts.append((name, replace["format"]))
        if isinstance((rule.get("acronym") or {}).get("text"), str):
            texts.append((name, rule["acronym"]["text"]))
    return texts


def needs_words(template):
    """True when a template holds words beyond its captures, units and symbols."""
    words = re.findall(r"[^\W\d_][\w'/-]*", re.sub(r"\{[^{}]*\}", " ", template))
    return any(word not in SAME_WORDS for word in words)


def case_tables():
    for table in ("Localizable", "QorvFeedbackController"):
        english = read_strings(os.path.join(RESOURCES, "en.lproj", table + ".strings"))
        german_path = os.path.join(RESOURCES, LANGUAGE + ".lproj", table + ".strings")
        german = read_strings(german_path) if os.path.exists(german_path) else {}
        for key, text in english.items():
            if key not in german:
                failures.append(f"{table}: no German text for \"{key}\" (English: \"{text}\")")
                continue
            check(placeholders(german[key]) == placeholders(text),
                  f"{table} \"{key}\": placeholders {placeholders(german[key])} in \"{german[key]}\", "
                  f"English has {placeholders(text)}")
            check(german[key] != text or text in SAME_IN_GERMAN,
                  f"{table} \"{key}\": left in English (\"{text}\"); translate it, or add it to SAME_IN_GERMAN")
        for key in german.keys() - english.keys():
            failures.append(f"{table}: German entry \"{key}\" has no English one")

    path = os.path.join(RESOURCES, LANGUAGE + ".lproj", "QorvCSReportCupel.strings")
    german = read_strings(path) if os.path.exists(path) else {}
    templates = set()
    for name, template in rule_texts():
        templates.add(template)
        if template in german:
            check(captures(german[template]) == captures(template),
                  f"QorvCSReportCupel {name}: captures {captures(german[template])} in the German text, "
                  f"the rule has {captures(template)}")
            # A table's entries are found by the words before "=": those stay as the rule has them.
            entries = lambda text: re.findall(r"␞([^=␞]*)=", text)
            check(entries(german[template]) == entries(template),
                  f"QorvCSReportCupel {name}: the German table's entries "
                  f"{sorted(set(entries(german[template])) ^ set(entries(template)))} differ from the rule's; "
                  "translate only what follows each \"=\"")
        elif needs_words(template):
            failures.append(f"QorvCSReportCupel {name}: no German text for the template \"{template}\"")
    for key in german.keys() - templates:
        failures.append(f"QorvCSReportCupel: German entry for a template no rule has: \"{key[:80]}\"")


def case_qt():
    lupdate, sources = sys.argv[3], sys.argv[4:]
    for shipped in glob.glob(os.path.join(RESOURCES, "translations", "*.ts")):
        with tempfile.TemporaryDirectory() as directory:
            ts = os.path.join(directory, os.path.basename(shipped))
            shutil.copy(shipped, ts)
            result = subprocess.run([lupdate, "-no-obsolete", "-locations", "none", *sources, "-ts", ts],
                                    capture_output=True, text=True)
            check(result.returncode == 0, f"lupdate failed: {result.stderr}")
            for context in ET.parse(ts).getroot().iter("context"):
                for message in context.iter("message"):
                    source = message.findtext("source")
                    translation = message.find("translation")
                    where = f"{os.path.basename(shipped)}: {context.findtext('name')} \"{source}\""
                    if translation is None or translation.get("type") in ("unfinished", "vanished", "obsolete") \
                            or not (translation.text or "").strip():
                        failures.append(f"{where} is not translated (run the cellsheet_lupdate target, then "
                                        "translate it)")
                        continue
                    check(sorted(placeholders(translation.text)) == sorted(placeholders(source)),
                          f"{where}: placeholders differ in \"{translation.text}\"")
                    check(translation.text != source or source in SAME_IN_GERMAN, f"{where} is left in English")


class Texts(__import__("html.parser").parser.HTMLParser):
    """The text of each element as people read it, and the values of its title attributes, each stripped. A glossary
    mark inside a text (as "UPS" in "Network UPS Tools") does not split it."""

    INLINE = ("acronym", "abbr")

    def __init__(self):
        super().__init__()
        self.texts = []
        self.skip = 0
        self.pending = ""

    def flush(self):
        if self.pending.strip():
            self.texts.append(self.pending.strip())
        self.pending = ""

    def handle_starttag(self, tag, attributes):
        if tag not in self.INLINE:
            self.flush()
        self.skip += tag in ("script", "style")
        for name, value in attributes:
            if name in ("title", "summary") and value:
                self.texts.append(value.strip())

    def handle_endtag(self, tag):
        if tag not in self.INLINE:
            self.flush()
        self.skip -= tag in ("script", "style") and self.skip > 0

    def handle_data(self, data):
        if not self.skip:
            self.pending += data

    def close(self):
        super().close()
        self.flush()


def english_texts():
    """Every text of our English tables and rules that German says differently: name -> (text, pattern)."""
    german = {}
    for table in ("Localizable", "QorvFeedbackController"):
        german.update(read_strings(os.path.join(RESOURCES, LANGUAGE + ".lproj", table + ".strings")))
    patterns = {}
    for table in ("Localizable", "QorvFeedbackController"):
        for key, text in read_strings(os.path.join(RESOURCES, "en.lproj", table + ".strings")).items():
            if text not in SAME_IN_GERMAN and german.get(key) != text and placeholders(text) == []:
                patterns[text] = (text, re.compile(re.escape(text)))
    rules = read_strings(os.path.join(RESOURCES, LANGUAGE + ".lproj", "QorvCSReportCupel.strings"))
    split = lambda template: set(re.split(r"␞[^=␞]*=|␞", template))
    for name, template in rule_texts():
        if not needs_words(template):
            continue
        # Pieces of a table (abbreviations, names) that the translation keeps as they are.
        same = split(rules.get(template, ""))
        for piece in split(template):
            if needs_words(piece) and piece not in same and piece.strip(", ") not in SAME_IN_GERMAN:
                pattern = ".+?".join(re.escape(part) for part in re.split(r"\{[^{}]*\}", piece))
                patterns[f"{piece} ({name})"] = (piece, re.compile(pattern))
    return patterns


# Names that read the same in every language, though their words are English (USB's speeds among them).
NAMES = ("Network UPS Tools", "Low Speed", "Full Speed", "High Speed", "SuperSpeed")


def words_of(text):
    return re.findall(r"[^\W\d_]+", text)


def english_words():
    """The words of our English tables and rules that none of the German ones uses, lower case."""
    english, german = set(), set()
    for table in ("Localizable", "QorvFeedbackController"):
        english.update(read_strings(os.path.join(RESOURCES, "en.lproj", table + ".strings")).values())
        german.update(read_strings(os.path.join(RESOURCES, LANGUAGE + ".lproj", table + ".strings")).values())
    english.update(template for _, template in rule_texts())
    german.update(read_strings(os.path.join(RESOURCES, LANGUAGE + ".lproj", "QorvCSReportCupel.strings")).values())
    lower = lambda texts: {word.lower() for text in texts for word in words_of(re.sub(r"\{[^{}]*\}", " ", text))}
    return lower(english) - lower(german) - {word.lower() for word in SAME_WORDS | SAME_IN_GERMAN}


def input_words(folder):
    """The words of what a machine said about itself (device names, the kernel's and NUT's own terms, its file
    names), as written: those may be English. The power-source descriptions are left out, as the program wrote them."""
    found = set()
    for directory, folders, files in os.walk(folder):
        found.update(words_of(" ".join(folders + files)))
        for name in files:
            path = os.path.join(directory, name)
            if not name.startswith("QorvCSPowerSourceBridge") and os.path.isfile(path):
                with open(path, encoding="utf-8", errors="replace") as f:
                    found.update(words_of(f.read()))
    return found


# A figure with a unit written with a decimal point, as German does not (German groups thousands with a point).
DECIMAL_POINT = re.compile(r"\d\.(?!\d{3}\b)\d+ ?(?:[KMGTPE]i?B|[kMG]?Hz|[GM]b/s|[GM]T/s|k?Wh|m?Ah|m?[WVA]|°C|%|inches)(?![\w/])")


def case_report():
    """Each example with the inventory our own tool writes for a fake machine of its kind."""
    binary, examples, profiler, machines = sys.argv[3:7]
    patterns = english_texts()
    english_only = english_words()
    with tempfile.TemporaryDirectory() as directory:
        for example in sorted(e for e in os.listdir(examples) if os.path.isdir(os.path.join(examples, e))):
            machine = os.path.join(machines, "laptop" if example.startswith(("laptop", "chromebook")) else "desktop")
            tool = os.path.join(directory, example + ".sh")
            with open(tool, "w") as f:
                f.write(f"#!/bin/sh\nexec '{profiler}' --root '{machine}' \"$@\"\n")
            os.chmod(tool, 0o700)
            output = os.path.join(directory, example + ".html")
            env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "LC_ALL")}
            env.update(LANG="de_DE.UTF-8", LANGUAGE="de", CELLSHEET_PROFILER=tool)
            result = subprocess.run([binary, "--resources", os.path.join(examples, example), "--html", output,
                                     "--inventory-timeout", "30"], env=env, capture_output=True, text=True,
                                    stdin=subprocess.DEVNULL, timeout=240)
            check(result.returncode == 0, f"{example}: exit status {result.returncode}: {result.stderr}")
            if result.returncode != 0:
                continue
            said = input_words(os.path.join(examples, example)) | input_words(machine)
            parser = Texts()
            with open(output, encoding="utf-8") as f:
                page = f.read()
            parser.feed(page)
            parser.close()
            check('lang="de"' in page, f"{example}: the page does not say it is German")
            check("Stromquellen" in parser.texts, f"{example}: no German section title in {parser.texts[:20]}")
            check(any("GHz" in text for text in parser.texts), f"{example}: no inventory in {parser.texts[:20]}")
            for text in parser.texts:
                # A whole text, or a sentence within a longer one.
                for english, (piece, pattern) in patterns.items():
                    if pattern.fullmatch(text) or (len(piece) > 30 and pattern.search(text)):
                        failures.append(f"{example}: English text \"{text[:100]}\" (from \"{english[:80]}\")")
                # English words our own code wrote, which no table above holds.
                left = [word for word in words_of(functools.reduce(lambda t, n: t.replace(n, " "), NAMES, text))
                        if word.lower() in english_only and word not in said]
                check(not left, f"{example}: English words {left} in \"{text[:100]}\"")
                check(not DECIMAL_POINT.search(text), f"{example}: a decimal point in \"{text[:100]}\"")


{"tables": case_tables, "qt": case_qt, "report": case_report}[CASE]()
for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
