#!/usr/bin/env python3
"""Checks the window's translations against its sources.

    check_translations.py LUPDATE SOURCE_FOLDER... -- TS_FILE...

For each .ts file, lupdate runs over the source folders into a copy of it,
so that a text the sources have and the file lacks shows up as unfinished.
Every entry must then be finished and not empty, keep the placeholders
(%1, %2, ...) of its source, and have an accelerator (&) where the source
has one. Prints each fault and fails when there is one.
"""
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path


def faults_of(ts_file, lupdate, folders):
    with tempfile.TemporaryDirectory() as scratch:
        copy = Path(scratch) / Path(ts_file).name
        shutil.copyfile(ts_file, copy)
        subprocess.run([lupdate, "-locations", "none", "-no-obsolete", "-silent", *folders, "-ts", str(copy)],
                       check=True)
        root = ET.parse(copy).getroot()
    for context in root.iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source") or ""
            translation = message.find("translation")
            text = translation.text or ""
            where = f"{Path(ts_file).name}: {name}: {source!r}"
            if translation.get("type") == "unfinished" or not text:
                yield f"{where}: no translation"
                continue
            if sorted(re.findall(r"%\d", source)) != sorted(re.findall(r"%\d", text)):
                yield f"{where}: placeholders differ in {text!r}"
            if re.search(r"&[^&\s]", source) and not re.search(r"&[^&\s]", text):
                yield f"{where}: no accelerator in {text!r}"


def main(argv):
    if "--" not in argv or len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    split = argv.index("--")
    lupdate, folders, ts_files = argv[1], argv[2:split], argv[split + 1:]
    faults = [f for ts in ts_files for f in faults_of(ts, lupdate, folders)]
    for fault in faults:
        print(fault)
    print(f"{len(ts_files)} translation(s), {len(faults)} fault(s)")
    return 1 if faults or not ts_files else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
