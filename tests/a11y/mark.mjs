// Readies pages that were not written for the AT-SPI cross-check (the repo's own) for it: gives
// every table and cell tag that has no id one, puts a title of the page's name first (after a
// BOM and a doctype, so that neither the encoding nor the mode changes), and writes the sidecar
// that generate.py writes: each table and cell tag's place (line and column in bytes, as the
// tool counts them) to its id, and each cell's table. parse5 finds the tags, so the tags of
// scripts, comments and attribute values are left as they are. A page where two of those tags
// share an id is left out, since ids are what tells Chromium's cells apart, and so is a page with
// no table or in UTF-16.
// Usage: node mark.mjs FOLDER NAME=PAGE...   (writes FOLDER/NAME.html and FOLDER/NAME.cells.json)
import { readFileSync, writeFileSync } from 'node:fs';
import { parse } from 'parse5';

const [folder, ...pairs] = process.argv.slice(2);
const marked = ['table', 'td', 'th'];

// Every table, td and th element that has a start tag of its own, in document order.
function elements(node, out = []) {
  for (const child of node.childNodes ?? []) {
    if (marked.includes(child.tagName) && child.namespaceURI === 'http://www.w3.org/1999/xhtml'
        && child.sourceCodeLocation?.startTag) out.push(child);
    elements(child, out);
  }
  return out;
}

// Line and column of each offset (ascending), counting LF, CR LF and a lone CR as line ends.
function places(text, offsets) {
  const out = [];
  let line = 1, start = 0, i = 0;
  for (const at of offsets) {
    for (; i < at; ++i) {
      const c = text.charCodeAt(i);
      if (c === 10 || (c === 13 && text.charCodeAt(i + 1) !== 10)) { line++; start = i + 1; }
    }
    out.push(`${line}:${at - start + 1}`);
  }
  return out;
}

let written = 0;
for (const pair of pairs) {
  const [name, page] = pair.split(/=(.*)/s);
  // Latin-1 keeps one character per byte: offsets are byte offsets, and the bytes come back.
  let text = readFileSync(page).toString('latin1');
  let doc = parse(text, { sourceCodeLocationInfo: true });
  const inserts = [];
  const first = doc.childNodes.find((n) => n.nodeName === '#documentType');
  const bom = text.startsWith('\xEF\xBB\xBF') ? 3 : text.startsWith('\xFE\xFF') || text.startsWith('\xFF\xFE') ? 2 : 0;
  if (bom === 2) { console.log(`mark: ${page}: UTF-16, left out`); continue; }
  inserts.push([first ? first.sourceCodeLocation.endOffset : bom, `<title>${name}</title>`]);
  let count = 0;
  for (const e of elements(doc)) {
    if (e.attrs.some((a) => a.name === 'id')) continue;
    const at = e.sourceCodeLocation.startTag.startOffset + 1 + e.tagName.length;
    inserts.push([at, ` id="${name}-${++count}"`]);
  }
  if (!elements(doc).some((e) => e.tagName === 'table')) { console.log(`mark: ${page}: no table, left out`); continue; }
  inserts.sort((a, b) => b[0] - a[0]);
  for (const [at, s] of inserts) text = text.slice(0, at) + s + text.slice(at);

  doc = parse(text, { sourceCodeLocationInfo: true });
  const found = elements(doc);
  const ids = found.map((e) => e.attrs.find((a) => a.name === 'id').value);
  if (new Set(ids).size !== ids.length) { console.log(`mark: ${page}: ids repeat, left out`); continue; }
  const sidecar = { owner: {} };
  places(text, found.map((e) => e.sourceCodeLocation.startTag.startOffset)).forEach((p, i) => { sidecar[p] = ids[i]; });
  const owners = (node, table) => {
    for (const child of node.childNodes ?? []) {
      const k = found.indexOf(child);
      if (k >= 0 && child.tagName !== 'table' && table) sidecar.owner[ids[k]] = table;
      owners(child, k >= 0 && child.tagName === 'table' ? ids[k] : table);
    }
  };
  owners(doc, null);
  writeFileSync(`${folder}/${name}.html`, Buffer.from(text, 'latin1'));
  writeFileSync(`${folder}/${name}.cells.json`, JSON.stringify(sidecar));
  written++;
}
console.log(`mark: ${written} of ${pairs.length} pages readied`);
