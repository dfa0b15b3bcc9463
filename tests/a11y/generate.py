"""Writes pages full of header markup for the accessibility cross-check: th rows and columns,
corner cells, every scope value (valid, in odd case, invalid), headers attributes in every shape,
row groups in any order, column groups, spans (zero and past their group), header rows repeated
mid-table, empty, white-space and element-only cells, nested tables, small layout-like tables,
and the markup that makes Chromium call a table a data table. Every cell has an id, so that the
cross-check can tell Chromium's cells apart, and so has every table; a sidecar file maps each
table and cell tag's place (line and column, as the tool counts them) to its id. The same seed gives the same pages.

Usage: python3 generate.py FOLDER PAGES [SEED] [TABLES_PER_PAGE]
"""
import json
import os
import random
import sys


class Page:
    def __init__(self, number, rng):
        self.rng = rng
        self.number = number
        self.text = []
        self.line = 1
        self.column = 1
        self.places = {}  # "line:column" -> id
        self.cells = 0
        self.tables = 0
        self.owner = {}  # cell id -> the id of its table
        self.open = []   # the ids of the tables being written

    def write(self, s):
        self.text.append(s)
        for ch in s:
            if ch == "\n":
                self.line += 1
                self.column = 1
            else:
                self.column += 1

    def cell_id(self):
        self.cells += 1
        ident = "p%dc%d" % (self.number, self.cells)
        self.owner[ident] = self.open[-1]
        return ident

    def cell(self, tag, attrs, content, ids):
        """Writes one cell; returns its id."""
        ident = self.cell_id()
        ids.append(ident)
        self.places["%d:%d" % (self.line, self.column)] = ident
        self.write("<%s id=%s%s>%s" % (tag, ident, attrs, content))
        if self.rng.random() < 0.5:
            self.write("</%s>" % tag)
        return ident


SCOPES = ["row", "col", "rowgroup", "colgroup", "ROW", "Col", " row", "column", "", "auto"]


def gap(rng):
    return rng.choice(["", "", "\n", " ", "\n  "])


def content(rng, page, kind, depth):
    r = rng.random()
    if kind == "th":
        return rng.choice(["Head", "Name", "Year", "Total", "&nbsp;", "", " ", "Q&amp;A", "<b>Bold</b>"]) \
            if r < 0.9 else ""
    if r < 0.55:
        return rng.choice(["1", "2.5", "x", "data", "yes"])
    if r < 0.65:
        return ""
    if r < 0.72:
        return rng.choice([" ", "&nbsp;", "\n"])
    if r < 0.8:
        return rng.choice(["<span></span>", "<img alt=''>", "<!--c-->", "<br>"])
    if r < 0.84 and depth < 2:
        return None  # a nested table
    return "v"


def table(page, rng, depth=0):
    t_attrs = ""
    r = rng.random()
    if r < 0.06:
        t_attrs += " summary=" + rng.choice(["s", '""'])
    elif r < 0.1:
        t_attrs += " rules=" + rng.choice(["all", '""', "x"])
    elif r < 0.15:
        t_attrs += " border=" + rng.choice(["1", "0"])
    elif r < 0.18:
        t_attrs += " role=" + rng.choice(["table", "grid", "x table"])
    page.tables += 1
    page.places["%d:%d" % (page.line, page.column)] = "p%dt%d" % (page.number, page.tables)
    page.write("<table id=p%dt%d%s>%s" % (page.number, page.tables, t_attrs, gap(rng)))
    page.open.append("p%dt%d" % (page.number, page.tables))
    if rng.random() < 0.08:
        page.write("<caption>%s</caption>" % rng.choice(["", "C"]))
    columns = rng.randint(1, 6)
    if rng.random() < 0.12:
        span = rng.randint(1, columns)
        page.write("<colgroup span=%d></colgroup>%s" % (span, gap(rng)))
        if span < columns and rng.random() < 0.5:
            page.write("<colgroup><col span=%d></colgroup>%s" % (columns - span, gap(rng)))
    small = rng.random() < 0.15
    rows = rng.randint(1, 2) if small else rng.randint(1, 9)
    if rng.random() < 0.04:
        rows = rng.randint(20, 22)
    groups = ["tbody"]
    r = rng.random()
    if r < 0.25:
        groups = ["thead", "tbody"]
    elif r < 0.35:
        groups = ["tbody", "thead"]
    elif r < 0.45:
        groups = ["thead", "tbody", "tfoot"]
    elif r < 0.5:
        groups = ["tfoot", "tbody", "tbody"]
    elif r < 0.55:
        groups = ["tbody", "tbody"]
    elif r < 0.7:
        groups = [None]  # rows straight in the table
    header_column = rng.random() < 0.45
    header_row = rng.random() < 0.6
    ids = []
    th_ids = []
    row_index = 0
    for g, group in enumerate(groups):
        if group is not None:
            page.write("<%s>%s" % (group, gap(rng)))
        count = max(1, rows // len(groups)) if not small else rows
        for _ in range(count):
            page.write("<tr>" + gap(rng))
            repeat = row_index > 0 and rng.random() < 0.08
            for c in range(columns if not small else rng.randint(1, 2)):
                head = (row_index == 0 and header_row) or repeat or (c == 0 and header_column)
                if row_index == 0 and c == 0 and header_row and header_column and rng.random() < 0.4:
                    head = rng.random() < 0.5  # the corner
                if group == "thead" and rng.random() < 0.7:
                    head = True
                if not head and rng.random() < 0.05:
                    head = True
                tag = "th" if head else "td"
                attrs = ""
                if rng.random() < (0.4 if head else 0.05):
                    attrs += " scope=" + json.dumps(rng.choice(SCOPES))
                if rng.random() < 0.07:
                    attrs += " colspan=%d" % rng.randint(0, 3)
                if rng.random() < 0.07:
                    attrs += " rowspan=%d" % rng.choice([0, 2, 3, 5])
                if rng.random() < 0.03:
                    attrs += rng.choice([" abbr=a", " axis=x", ' abbr=""'])
                if not head and rng.random() < 0.15 and (th_ids or ids):
                    names = []
                    for _ in range(rng.randint(0, 3)):
                        names.append(rng.choice(th_ids + ids[-3:] + ["nothing", "p%dc%d" % (page.number, page.cells + 1)]))
                    attrs += " headers=" + json.dumps(" ".join(names))
                body = content(rng, page, tag, depth)
                if body is None:
                    ident = page.cell_id()
                    ids.append(ident)
                    page.places["%d:%d" % (page.line, page.column)] = ident
                    page.write("<td id=%s%s>" % (ident, attrs))
                    table(page, rng, depth + 1)
                    page.write("</td>")
                else:
                    ident = page.cell(tag, attrs, body, ids)
                    if head:
                        th_ids.append(ident)
                page.write(gap(rng))
            if rng.random() < 0.6:
                page.write("</tr>")
            page.write(gap(rng))
            row_index += 1
        if group is not None and rng.random() < 0.5:
            page.write("</%s>%s" % (group, gap(rng)))
    page.write("</table>\n")
    page.open.pop()


def main():
    folder, pages = sys.argv[1], int(sys.argv[2])
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    per_page = int(sys.argv[4]) if len(sys.argv) > 4 else 40
    os.makedirs(folder, exist_ok=True)
    for n in range(pages):
        rng = random.Random(seed * 100003 + n)
        page = Page(n, rng)
        page.write("<!DOCTYPE html>\n<title>headers %d</title>\n" % n)
        for _ in range(per_page):
            table(page, rng)
            page.write("<p>between</p>\n")
        name = os.path.join(folder, "heads%04d" % n)
        with open(name + ".html", "w", encoding="ascii") as f:
            f.write("".join(page.text))
        with open(name + ".cells.json", "w", encoding="ascii") as f:
            json.dump(dict(page.places, owner=page.owner), f)


if __name__ == "__main__":
    main()
