// An independent reference for `zelko --check`: builds the same report from the parse5 HTML
// parser's tree building instead of the tool's own tokenizer and tree builder. parse5 tells
// when each table element is opened and closed, and by which token; those events drive the same
// grid rules the tool follows, so any difference between the two reports is a difference in
// how the page was read. Usage: node reference.mjs PAGE... (reports on standard output).
import { readFileSync } from 'node:fs';
import { Parser, InsertionMode } from 'parse5';

const kMaxColumns = 65536;
const kHeadersBudget = 64 * 1024;
const kMaxNumber = 32;
const kMaxText = 4096;

// Line and column of a byte offset: LF, CR LF and a lone CR each end a line.
function lineTable(bytes) {
  const starts = [0];
  for (let i = 0; i < bytes.length; i++) {
    if (bytes[i] === 0x0d) {
      if (bytes[i + 1] === 0x0a) i++;
      starts.push(i + 1);
    } else if (bytes[i] === 0x0a) {
      starts.push(i + 1);
    }
  }
  const at = (offset) => {
    let lo = 0, hi = starts.length - 1;
    while (lo < hi) {
      const mid = (lo + hi + 1) >> 1;
      if (starts[mid] <= offset) lo = mid; else hi = mid - 1;
    }
    return { line: lo + 1, column: offset - starts[lo] + 1 };
  };
  // One column past the last byte, on the line that byte belongs to.
  const pastLast = () => {
    const n = bytes.length;
    if (n === 0) return { line: 1, column: 1 };
    const last = bytes[n - 1];
    if (last === 0x0a || last === 0x0d) {
      let begin = n - 1;
      if (last === 0x0a && n >= 2 && bytes[n - 2] === 0x0d) begin = n - 2;
      const l = at(begin);
      return { line: l.line, column: l.column + (n - begin) };
    }
    return at(n);
  };
  return { at, pastLast };
}

const isWhite = (c) => c === '\t' || c === '\n' || c === '\f' || c === '\r' || c === ' ';

function parseNonNegative(text, cap) {
  let i = 0;
  while (i < text.length && isWhite(text[i])) i++;
  let negative = false;
  if (text[i] === '+' || text[i] === '-') { negative = text[i] === '-'; i++; }
  if (i >= text.length || !(text[i] >= '0' && text[i] <= '9')) return -1;
  let value = 0;
  for (; i < text.length && text[i] >= '0' && text[i] <= '9'; i++) {
    if (value <= cap) value = value * 10 + (text.charCodeAt(i) - 48);
  }
  if (negative && value !== 0) return -1;
  return value > cap ? cap : value;
}

// The values as the tool keeps them: numbers without leading white space, and bounded.
function numberValue(text) {
  let i = 0;
  while (i < text.length && isWhite(text[i])) i++;
  return text.slice(i, i + kMaxNumber);
}
const textValue = (text) => text.slice(0, kMaxText);
const spanOf = (value) => {
  const n = value === undefined ? -1 : parseNonNegative(numberValue(value), 1000);
  return n <= 0 ? 1 : n;
};

function quoted(text) {
  let out = '"';
  for (const ch of text) {
    const c = ch.charCodeAt(0);
    if (ch === '"' || ch === '\\') out += '\\' + ch;
    else if (c < 0x20 || c === 0x7f) out += '\\x' + c.toString(16).padStart(2, '0');
    else out += ch;
  }
  return out + '"';
}
const counted = (n, noun) => `${n} ${noun}${n === 1 ? '' : 's'}`;
const place = (row, column) => `row ${row}, column ${column}`;
const at = (w) => `line ${w.line}, column ${w.column}`;
const listed = (items) => items.length <= 1 ? items.join('')
  : items.slice(0, -1).join(', ') + ' and ' + items[items.length - 1];

class Grid {
  constructor(report, number, where, cls) {
    Object.assign(this, { report, number, where, cls });
    this.width = 0; this.rowGroupSeen = false; this.inColumnGroup = false;
    this.groupHasColumns = false; this.colgroup = null; this.elementColumns = 0;
    this.countKnown = false; this.countFromElements = false; this.count = 0; this.clipped = false;
    this.coverEnd = []; this.begun = []; this.establishers = []; this.spanning = [];
    this.rows = 0; this.groups = 0; this.x = 0; this.rowEnd = 0; this.rowHasCell = false;
    this.thIds = new Set(); this.references = []; this.headersBytes = 0; this.headersCut = false;
  }
  widen(width, where) {
    if (width <= this.width) return;
    this.establishers.push({ first: this.width, where });
    for (let i = this.width; i < width; i++) { this.coverEnd.push(0); this.begun.push(false); }
    this.width = width;
  }
  addColumns(span, where) {
    const width = Math.min(this.width + span, kMaxColumns);
    if (width < this.width + span) this.clipped = true;
    this.widen(width, where);
    this.elementColumns = this.width;
  }
  columnGroup(span, where) { this.inColumnGroup = true; this.groupHasColumns = false; this.colgroup = { span, where }; }
  column(span, where) { this.groupHasColumns = true; if (!this.rowGroupSeen) this.addColumns(spanOf(span), where); }
  endColumnGroup() {
    if (this.inColumnGroup && !this.groupHasColumns && !this.rowGroupSeen)
      this.addColumns(spanOf(this.colgroup.span), this.colgroup.where);
    this.inColumnGroup = false;
  }
  beginRowGroup() {
    this.groups++; this.rowGroupSeen = true;
    if (!this.countKnown && this.elementColumns > 0) {
      this.count = this.elementColumns; this.countKnown = this.countFromElements = true;
    }
  }
  beginRow() { this.x = 0; this.rowEnd = 0; this.rowHasCell = false; }
  cell(attrs, isTh, where) {
    const y = this.rows;
    let colspan = spanOf(attrs.colspan);
    let rowspan = attrs.rowspan === undefined ? -1 : parseNonNegative(numberValue(attrs.rowspan), 65534);
    if (rowspan < 0) rowspan = 1;
    const growsDown = rowspan === 0;
    this.rowHasCell = true;
    let x = this.x;
    while (x < this.width && this.coverEnd[x] > y) x++;
    if (x >= kMaxColumns) { this.clipped = true; this.x = x; return; }
    if (x + colspan > kMaxColumns) { colspan = kMaxColumns - x; this.clipped = true; }
    this.widen(x + colspan, where);
    let overlaps = false;
    for (let i = x; i < x + colspan; i++) if (this.coverEnd[i] > y) overlaps = true;
    if (overlaps) {
      const earlier = this.spanning.filter((s) => s.row < y && s.endRow > y && s.x < x + colspan && x < s.x + s.colspan)
        .map((s) => `${place(s.row + 1, s.x + 1)} (${at(s.where)})`);
      this.report.add(where, 'error', `cell at ${place(y + 1, x + 1)} overlaps the ${earlier.length === 1 ? 'cell at ' : 'cells at '}${listed(earlier)}`, 'cell-overlap');
    }
    const end = growsDown ? Infinity : y + rowspan;
    for (let i = x; i < x + colspan; i++) this.coverEnd[i] = Math.max(this.coverEnd[i], end);
    if (rowspan !== 1) this.spanning.push({ x, colspan, row: y, endRow: end, rowspan, growsDown, where });
    this.begun[x] = true;
    this.rowEnd = Math.max(this.rowEnd, x + colspan);
    this.x = x + colspan;
    if (this.headersCut) return;
    const byteLength = (s) => Buffer.byteLength(s, 'latin1');
    if (isTh && attrs.id !== undefined && attrs.id !== '') {
      this.keepHeaders(byteLength(textValue(attrs.id)) + 32);
      if (!this.headersCut) this.thIds.add(textValue(attrs.id));
    }
    if (attrs.headers !== undefined) {
      this.keepHeaders(byteLength(textValue(attrs.headers)) + 48);
      if (!this.headersCut) this.references.push({ where, headers: textValue(attrs.headers) });
    }
  }
  keepHeaders(bytes) {
    this.headersBytes += bytes;
    if (this.headersBytes > kHeadersBudget) { this.headersCut = true; this.thIds.clear(); this.references = []; }
  }
  endRow(where) {
    const y = this.rows;
    // A row's width: the position just past its last cell, moved on over the slots that cells
    // from rows above cover directly after it; the move stops at the first slot nothing covers.
    const coveredFromAbove = (x) => this.spanning.some((s) => s.row < y && s.endRow > y && s.x <= x && x < s.x + s.colspan);
    let width = this.rowEnd;
    while (coveredFromAbove(width)) width++;
    if (!this.countKnown) {
      this.count = width; this.countKnown = true;
    } else if (width !== this.count) {
      const message = `row ${y + 1} has ${counted(width, 'column')}${width < this.count ? ', fewer than the ' : ', more than the '}${this.count} that the ${this.countFromElements ? 'column elements set' : 'first row sets'}`;
      this.report.add(where, this.countFromElements ? 'error' : 'warning', message, width < this.count ? 'row-short' : 'row-long');
    }
    if (!this.rowHasCell) this.report.add(where, 'error', `no cell begins in row ${y + 1}`, 'row-no-cells');
    this.rows = y + 1;
    this.spanning = this.spanning.filter((s) => s.endRow > this.rows);
  }
  endRowGroup() {
    for (const s of this.spanning) {
      if (s.growsDown || s.endRow <= this.rows) continue;
      this.report.add(s.where, 'error', `cell at ${place(s.row + 1, s.x + 1)} has rowspan ${s.rowspan}, but its row group ends after row ${this.rows}: it spans ${counted(this.rows - s.row, 'row')}`, 'rowspan-clipped');
    }
    this.spanning = [];
    this.coverEnd.fill(0);
  }
  endTable() {
    let message = `table ${this.number} (${this.cls === undefined ? 'no class' : 'class ' + quoted(textValue(this.cls))}): ${counted(this.rows, 'row')} x ${counted(this.width, 'column')}, ${counted(this.groups, 'row group')}`;
    if (this.clipped) message += `; checked over its first ${kMaxColumns} columns`;
    this.report.add(this.where, 'note', message, 'table');
    if (this.headersCut)
      this.report.add(this.where, 'note', `the headers check of table ${this.number} was cut short: it keeps at most ${kHeadersBudget} bytes of ids and headers`, 'headers-limit');
    this.establishers.forEach((e, i) => {
      const last = i + 1 < this.establishers.length ? this.establishers[i + 1].first : this.width;
      const ranges = []; let empty = 0;
      for (let x = e.first; x < last; x++) {
        if (this.begun[x]) continue;
        let run = x;
        while (run + 1 < last && !this.begun[run + 1]) run++;
        ranges.push(run === x ? `${x + 1}` : `${x + 1}-${run + 1}`);
        empty += run - x + 1; x = run;
      }
      if (ranges.length) this.report.add(e.where, 'error', `no cell begins in ${empty === 1 ? 'column ' : 'columns '}${ranges.join(', ')}`, 'column-no-cells');
    });
    for (const r of this.references) {
      const unknown = [];
      for (const id of r.headers.split(/[\t\n\f\r ]+/).filter((t) => t !== '')) {
        const shown = quoted(id);
        if (!this.thIds.has(id) && !unknown.includes(shown)) unknown.push(shown);
      }
      if (unknown.length) this.report.add(r.where, 'error', `headers names ${listed(unknown)}, which no th of this table has as its id`, 'headers-unknown');
    }
  }
}

function checkPage(page) {
  const bytes = readFileSync(page);
  const html = bytes.toString('latin1');  // one character per byte: offsets are byte offsets
  const lines = lineTable(bytes);
  const out = [];
  const report = { add: (where, severity, message, kind) => out.push(`${page}:${where.line}:${where.column}: ${severity}: ${message} [${kind}]`) };
  const grids = new Map();
  let tables = 0;
  const attrsOf = (node) => {
    const a = {};
    for (const { name, value } of node.attrs) if (!(name in a)) a[name] = value;
    return a;
  };
  const startOf = (node) => lines.at(node.sourceCodeLocation.startOffset);
  // Template contents are no part of the page.
  const inPage = (node) => {
    let n = node;
    while (n.parentNode) n = n.parentNode;
    return n.nodeName === '#document';
  };
  const tableOf = (node, up) => { let n = node; for (let i = 0; i < up; i++) n = n.parentNode; return grids.get(n); };

  class Tracking extends Parser {
    onItemPush(node, tid, isTop) {
      super.onItemPush(node, tid, isTop);
      if (!node.tagName || node.namespaceURI !== 'http://www.w3.org/1999/xhtml' || !inPage(node)) return;
      const a = attrsOf(node);
      switch (node.tagName) {
        case 'table': grids.set(node, new Grid(report, ++tables, startOf(node), a.class)); break;
        case 'colgroup': tableOf(node, 1)?.columnGroup(a.span, node.sourceCodeLocation ? startOf(node) : null); break;
        case 'tbody': case 'thead': case 'tfoot': tableOf(node, 1)?.beginRowGroup(); break;
        case 'tr': tableOf(node, 2)?.beginRow(); break;
        case 'td': case 'th': tableOf(node, 3)?.cell(a, node.tagName === 'th', startOf(node)); break;
      }
    }
    // parse5 8.1.1 ends a row at </tbody>, </thead> or </tfoot> when a row is open but no such
    // row group is; the standard ignores the tag there, and so do browsers.
    onEndTag(token) {
      if (this.insertionMode === InsertionMode.IN_ROW && ['tbody', 'thead', 'tfoot'].includes(token.tagName) &&
          !this.openElements.hasInTableScope(token.tagID) && !this.currentNotInHTML)
        return;
      super.onEndTag(token);
    }
    // A col is void: it is put in the tree but never opened.
    _attachElementToTree(element, location, insertionLocation) {
      super._attachElementToTree(element, location, insertionLocation);
      if (element.tagName === 'col' && element.namespaceURI === 'http://www.w3.org/1999/xhtml' && inPage(element))
        tableOf(element, 2)?.column(attrsOf(element).span, startOf(element));
    }
    onItemPop(node, isTop) {
      if (node.tagName && node.namespaceURI === 'http://www.w3.org/1999/xhtml' && inPage(node)) {
        const tok = this.currentToken;
        const where = tok && tok.location ? lines.at(tok.location.startOffset) : lines.pastLast();
        this.closeElement(node, where);
      }
      super.onItemPop(node, isTop);
    }
    closeElement(node, where) {
      switch (node.tagName) {
        case 'colgroup': tableOf(node, 1)?.endColumnGroup(); break;
        case 'tbody': case 'thead': case 'tfoot': tableOf(node, 1)?.endRowGroup(where); break;
        case 'tr': tableOf(node, 2)?.endRow(where); break;
        case 'table': grids.get(node)?.endTable(); break;
      }
    }
  }
  const parser = new Tracking({ sourceCodeLocationInfo: true, scriptingEnabled: false });
  // parse5 8.1.1 reads "<![CDATA[" as a bogus comment where the adjusted current node is an
  // integration point (svg title, mathml mi, ...); the standard opens a CDATA section wherever
  // that node is not an HTML element, and so does Chromium. Its flag for foreign content also
  // steers the tree building, so it is widened for the markup declaration alone.
  const declaration = parser.tokenizer._stateMarkupDeclarationOpen;
  parser.tokenizer._stateMarkupDeclarationOpen = function (cp) {
    const inForeignNode = this.inForeignNode;
    this.inForeignNode = parser.currentNotInHTML;
    try { return declaration.call(this, cp); } finally { this.inForeignNode = inForeignNode; }
  };
  parser.tokenizer.write(html, true);
  // What the end of the page leaves open ends there, innermost first.
  const eof = lines.pastLast();
  const stack = parser.openElements;
  for (let i = stack.stackTop; i >= 0; i--) {
    const node = stack.items[i];
    if (node.tagName && node.namespaceURI === 'http://www.w3.org/1999/xhtml' && inPage(node)) parser.closeElement(node, eof);
  }
  return out;
}

const lines = [];
for (const page of process.argv.slice(2)) lines.push(...checkPage(page));
process.stdout.write(Buffer.from(lines.map((l) => l + '\n').join(''), 'latin1'));
