#!/usr/bin/env python3
"""check_translations.py LUPDATE SOURCE_FOLDER... -- TS_FILE...

lupdate runs over the source folders into a copy of each .ts, so that a text
of the sources the file lacks comes in unfinished. Every entry must then be
finished, not empty, keep the placeholders (%1...) of its source, and have
an accelerator (&) where the source has one. Prints each fault."""
import re, shutil, subprocess, sys, tempfile
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
        for message in context.iter("message"):
            source, tr = message.findtext("source") or "", message.find("translation")
            text, where = tr.text or "", f"{Path(ts_file).name}: {context.findtext('name')}: {source!r}"
            if tr.get("type") == "unfinished" or not text:
                yield f"{where}: no translation"
            elif sorted(re.findall(r"%\d", source)) != sorted(re.findall(r"%\d", text)):
                yield f"{where}: placeholders differ in {text!r}"
            elif re.search(r"&[^&\s]", source) and not re.search(r"&[^&\s]", text):
                yield f"{where}: no accelerator in {text!r}"


if __name__ == "__main__":
    if "--" not in sys.argv[2:]:
        sys.exit(__doc__)
    split = sys.argv.index("--")
    ts_files = sys.argv[split + 1:]
    faults = [f for ts in ts_files for f in faults_of(ts, sys.argv[1], sys.argv[2:split])]
    print("\n".join(faults + [f"{len(ts_files)} translation(s), {len(faults)} fault(s)"]))
    sys.exit(1 if faults or not ts_files else 0)
