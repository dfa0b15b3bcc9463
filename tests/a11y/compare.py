"""Compares `zelko --headers --format=json` with what Chromium tells screen readers over AT-SPI.

Runs inside an X display and a D-Bus session with the AT-SPI registry (run.sh starts them).
Opens every page in one Chromium with scripting off (the tool reads pages so), reads the accessibility tree: every table's verdict (a data
table, or a layout table with layout-guess), every cell's role and its column and row header
cells; and compares them, cell by cell, with the tool's lines. Cells are told apart by their
ids (generate.py gives every cell one); the tool's lines are matched to the ids by the place
of the cell's tag. Prints the agreement and every difference; exits 1 on any difference.

Usage: python3 compare.py FOLDER NAME...   (FOLDER holds NAME.html, NAME.cells.json and
NAME.headers.jsonl)
"""
import json
import os
import subprocess
import sys
import time

import pyatspi

CELL_ROLES = {"table cell": "cell", "column header": "columnheader", "row header": "rowheader"}


def attributes(node):
    out = {}
    for a in node.getAttributes() or []:
        key, _, value = a.partition(":")
        out[key] = value
    return out


def find_document(title, timeout=60):
    """The web document of the tab whose title is `title`, once loaded."""
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None or "hromium" not in (app.name or ""):
                continue
            stack = [app]
            while stack:
                node = stack.pop()
                try:
                    if node.getRole() == pyatspi.ROLE_DOCUMENT_WEB:
                        if node.name == title and node.childCount > 0 and \
                                not node.getState().contains(pyatspi.STATE_BUSY):
                            return node
                        continue
                    for i in range(node.childCount):
                        child = node.getChildAtIndex(i)
                        if child is not None:
                            stack.append(child)
                except Exception:  # a node that went away while it was read
                    continue
        time.sleep(0.5)
    return None


def read_tree(document):
    """Every table by id, as a verdict, and every cell by id: role and header ids."""
    tables, cells = {}, {}
    stack = [document]
    while stack:
        node = stack.pop()
        attrs = attributes(node)
        role = node.getRoleName()
        tag = attrs.get("tag")
        if tag == "table" and "id" in attrs:
            if role in ("table", "tree table"):
                tables[attrs["id"]] = "data"
            elif attrs.get("layout-guess") == "true":
                tables[attrs["id"]] = "layout"
            else:
                tables[attrs["id"]] = "other:" + role
        if tag in ("td", "th") and "id" in attrs and role in CELL_ROLES:
            entry = {"role": CELL_ROLES[role], "columnHeaders": [], "rowHeaders": []}
            if role == "table cell":
                cell = node.queryTableCell()
                entry["columnHeaders"] = sorted(attributes(h).get("id", "?") for h in cell.columnHeaderCells)
                entry["rowHeaders"] = sorted(attributes(h).get("id", "?") for h in cell.rowHeaderCells)
            cells[attrs["id"]] = entry
        for i in reversed(range(node.childCount)):
            child = node.getChildAtIndex(i)
            if child is not None:
                stack.append(child)
    return tables, cells


def read_ours(folder, name):
    places = json.load(open(os.path.join(folder, name + ".cells.json")))
    tables, cells = {}, {}
    by_anchor = {}
    lines = [json.loads(l) for l in open(os.path.join(folder, name + ".headers.jsonl"))]
    for line in lines:
        if "at" in line:
            by_anchor[(line["table"], tuple(line["at"]))] = places.get("%d:%d" % (line["line"], line["column"]), "?")
    for line in lines:
        if "at" not in line:
            tables[line["table"]] = (places.get("%d:%d" % (line["line"], line["column"]), "?"), line["chromium"])
            continue
        ident = places.get("%d:%d" % (line["line"], line["column"]))
        if ident is None:
            continue
        chromium = line["chromium"]
        cells[ident] = {
            "table": line["table"],
            "role": chromium["role"],
            "columnHeaders": sorted(by_anchor[(line["table"], tuple(a))] for a in chromium["columnHeaders"]),
            "rowHeaders": sorted(by_anchor[(line["table"], tuple(a))] for a in chromium["rowHeaders"]),
        }
    return tables, cells


def main():
    folder, names = sys.argv[1], sys.argv[2:]
    profile = os.path.join(folder, "profile")
    chromium = None
    counts = {"tables": 0, "verdicts": 0, "css": 0, "cells": 0, "roles": 0, "columnHeaders": 0, "rowHeaders": 0}
    differences = []
    for name in names:
        url = "file://" + os.path.abspath(os.path.join(folder, name + ".html"))
        # The first page starts the browser; later ones open as tabs of it.
        proc = subprocess.Popen(["chromium", "--no-sandbox", "--force-renderer-accessibility", "--no-first-run",
                                 "--disable-gpu", "--blink-settings=scriptEnabled=false",
                                 "--user-data-dir=" + profile, url],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                env=dict(os.environ, ACCESSIBILITY_ENABLED="1"))
        chromium = chromium or proc
        title = open(os.path.join(folder, name + ".html"), encoding="latin-1").read().split("<title>", 1)[1].split("</title>", 1)[0]
        document = find_document(title)
        if document is None:
            differences.append("%s: Chromium exposed no document titled %r" % (name, title))
            continue
        theirs_tables, theirs = read_tree(document)
        ours_tables, ours = read_ours(folder, name)
        data = set()
        for number, (ident, o) in sorted(ours_tables.items()):
            counts["tables"] += 1
            t = theirs_tables.get(ident, "missing")
            if t == "data":
                data.add(number)
            if o == "css":
                counts["css"] += 1
            elif o == t:
                counts["verdicts"] += 1
            else:
                differences.append("%s: table %d: Chromium says %s, the tool %s" % (name, number, t, o))
        for ident, o in ours.items():
            if o["table"] not in data:
                continue
            t = theirs.get(ident)
            counts["cells"] += 1
            if t is None:
                differences.append("%s: table %d, cell %s: not in Chromium's tree" % (name, o["table"], ident))
                continue
            for key in ("role", "columnHeaders", "rowHeaders"):
                if t[key] == o[key]:
                    counts[key.replace("role", "roles")] += 1
                else:
                    differences.append("%s: table %d, cell %s: %s: Chromium %s, the tool %s"
                                       % (name, o["table"], ident, key, t[key], o[key]))
    if chromium is not None:
        chromium.terminate()
    for line in differences[:40]:
        print("a11y:", line)
    c = counts
    print("a11y: %d pages, %d tables: verdicts agree on %d (%d left to CSS); %d cells of data tables: roles agree "
          "on %d, column headers on %d, row headers on %d; %d differences"
          % (len(names), c["tables"], c["verdicts"], c["css"], c["cells"], c["roles"], c["columnHeaders"],
             c["rowHeaders"], len(differences)))
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
