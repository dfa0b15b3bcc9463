// Writes hostile table pages for the cross-check: spans of every kind (zero, huge, malformed,
// written as character references), row groups in any order, col and colgroup, implied and
// missing tags, nested tables, stray cell tags, scripts, styles and RCDATA holding table tags,
// comments of every shape, quoted '>', odd white space and CR LF, rows under hanging cells, SVG and
// MathML in and around tables. The same seed gives the same pages. Usage: node generate.mjs FOLDER COUNT [SEED]
import { mkdirSync, writeFileSync } from 'node:fs';

const [folder, countText, seedText] = process.argv.slice(2);
let state = BigInt(seedText ?? 1) * 0x9E3779B97F4A7C15n + 1n;
const mask = (1n << 64n) - 1n;
function next(bound) {
  state ^= (state << 13n) & mask; state ^= state >> 7n; state ^= (state << 17n) & mask;
  return Number(state % BigInt(bound));
}
const pick = (items) => items[next(items.length)];
const chance = (n) => next(n) === 0;

const spans = ['1', '2', '3', '0', ' 2', '+2', '-1', '-0', '2x', 'x', '', '1000', '1001', '65534',
  '70000', '99999999999', '&#50;', '&#x33;', '0002', '\t3', '2.5', '&amp;1'];
const ids = ['a', 'b', 'c', 'h1', 'h2', 'x y', 'A'];
const blanks = [' ', ' ', ' ', '\t', '\n', '\r\n', '\f', '  '];
const newline = () => pick(['\n', '\n', '\r\n', '\r', '']);

function attrs(names) {
  let out = '';
  for (const name of names) {
    if (!chance(3)) continue;
    const v = name === 'headers' ? pick(ids) + (chance(2) ? ' ' + pick(ids) : '')
      : name === 'id' ? pick(ids) : name === 'class' ? pick(['grid', 'x', 'a b', 'q"t', '']) : pick(spans);
    const n = chance(8) ? name.toUpperCase() : name;
    const quote = pick(['"', "'", '']);
    const value = quote === '' && /[\s"'=<>`]/.test(v) || v === '' && quote === '' ? `"${v}"` : quote + v + quote;
    out += pick(blanks) + n + '=' + value;
    if (chance(10)) out += pick(blanks) + n + '=' + pick(spans.filter((s) => /^\d+$/.test(s)));
  }
  if (chance(12)) out += ' title="a>b"';
  if (chance(12)) out += " data-x='</table>'";
  return out;
}
const tag = (name) => (chance(6) ? name.toUpperCase() : name);
const open = (name, names = []) => `<${tag(name)}${attrs(names)}${chance(15) ? ' /' : ''}>`;
const close = (name) => `</${tag(name)}${chance(15) ? ' ' : ''}>`;

function junk() {
  return pick([
    'text ', 'a<5 ', '<b>bold</b>', '<div>', '</div>', '<p>', '<br>', '<!-- <td> -->', '<!-->',
    '<!--->', '<!-- a --!> x', '<!x <td>>', '<? <tr> ?>', '</ x>', '<![CDATA[<td>]]>',
    '<script>var t = "<table><tr><td>";</script>', '<script><!-- <script> </script> <td> --></script>',
    '<style>td { x: "</td>" }</style>', '<textarea><td></textarea>', '<title><tr></title>',
    '<xmp><table></xmp>', '<noscript><p>n</p></noscript>', '&amp; ', '<select><option><td>s</select>',
    '<template><tr><td>t</td></tr></template>', '<a href="x>y">link</a>', '<span\tclass=s>x</span>',
    '<iframe><td></iframe>', '<noembed></tr></noembed>',
  ]);
}

// SVG and MathML: elements of their own (td and tr among them), integration points that let
// HTML and tables in, breakout tags, CDATA sections, script and style that are no raw text
// there, self-closing elements, and end tags that close them or reach the HTML below; any
// letter case, closed or left open.
function foreign(depth) {
  const cased = (name) => pick([name, name, name.toUpperCase(), name[0].toUpperCase() + name.slice(1)]);
  const inner = () => pick([
    '<g>', '</g>', '<td>x</td>', '<tr>', '<td>', '</td>', '</tr>', '<circle/>', '<rect />', 'text',
    '<![CDATA[</svg><table><tr><td>]]>', '<![CDATA[x]]>', '<script><td></script>', '<style><tr></style>',
    '<b>', '<p>', '</p>', '</br>', '<span>', '<font color=red>', '<font>', '<table>', '</table>', '</svg>',
    '</math>', '<svg>', '<math>', '<desc><tr></desc>',
    `<${cased('title')}>${depth < 2 && chance(3) ? table(depth + 1) : '<td>t'}</${cased('title')}>`,
    `<${pick(['foreignObject', 'foreignobject', 'FOREIGNOBJECT'])}>${depth < 2 && chance(2) ? table(depth + 1) : '<td>f'}` +
      (chance(2) ? '</foreignObject>' : ''),
  ]);
  const mathInner = () => pick([
    '<mi>', '</mi>', '<mo><td></mo>', '<mtext><table><tr><td>m</table></mtext>', '<mglyph>', '<malignmark>',
    '<mi><mglyph><td></mi>', '<ms>', '<mn>', '<td>', '</td>', '<tr>',
    `<${cased('annotation-xml')} encoding="${pick(['text/html', 'TEXT/HTML', 'application/xhtml+xml', 'image/svg+xml', ''])}">` +
      (depth < 2 && chance(2) ? table(depth + 1) : '<td>a') + (chance(2) ? '</annotation-xml>' : ''),
    '<annotation-xml><svg><td></svg></annotation-xml>',
    '<![CDATA[</math><td>]]>',
  ]);
  const math = chance(3);
  let out = `<${cased(math ? 'math' : 'svg')}${chance(10) ? '/' : ''}>`;
  const parts = next(4);
  for (let i = 0; i < parts; i++) out += math ? mathInner() : inner();
  if (chance(2)) out += `</${cased(math ? 'math' : 'svg')}>`;
  return out;
}

function cell(depth) {
  let out = open(pick(['td', 'td', 'td', 'th']), ['colspan', 'rowspan', 'headers', 'id']);
  if (depth < 2 && chance(8)) out += table(depth + 1);
  else if (chance(3)) out += junk();
  else if (chance(8)) out += foreign(depth);
  else out += 'c';
  if (chance(2)) out += close(pick(['td', 'td', 'th']));
  return out + newline();
}

function row(depth) {
  let out = chance(6) ? '' : open('tr');
  const cells = next(5);
  for (let i = 0; i < cells; i++) out += cell(depth);
  if (chance(2)) out += close('tr');
  return out + newline();
}

// Rows under cells that hang down from rows above: tall cells anywhere in the first row (rowspan
// 0 among them), then rows with no cells, with cells that fill the gaps, or with more cells
// than the gaps hold.
function hangingRows() {
  const columns = 1 + next(6);
  let out = '<tr>';
  for (let x = 0; x < columns; x++) {
    const tall = chance(2) ? pick(['2', '3', '0', '4']) : '';
    const wide = chance(5) ? ' colspan=2' : '';
    out += `<td${tall ? ' rowspan=' + tall : ''}${wide}>h`;
  }
  out += '</tr>\n';
  const rows = 1 + next(4);
  for (let r = 0; r < rows; r++) out += '<tr>' + '<td>g'.repeat(next(columns + 2)) + (chance(2) ? '</tr>' : '') + '\n';
  return out;
}

function table(depth) {
  let out = open('table', ['class']) + newline();
  if (chance(4)) return out + pick(['', '<tbody>', '<thead>']) + hangingRows() + close('table') + newline();
  if (chance(4)) out += open('caption') + (depth < 2 && chance(4) ? table(depth + 1) : chance(6) ? foreign(depth) : 'cap') +
    (chance(2) ? close('caption') : '');
  const colgroups = chance(2) ? next(3) : 0;
  for (let i = 0; i < colgroups; i++) {
    if (chance(3)) { out += open('col', ['span']); continue; }
    out += open('colgroup', ['span']);
    const cols = next(3);
    for (let k = 0; k < cols; k++) out += open('col', ['span']) + (chance(6) ? pick(['x', ' ', '</div>', '<p>', '<!-- c -->']) : '');
    if (chance(2)) out += close('colgroup');
    out += newline();
  }
  const groups = 1 + next(3);
  for (let g = 0; g < groups; g++) {
    const group = pick(['', 'tbody', 'thead', 'tfoot', 'tbody']);
    if (group) out += open(group);
    const rows = next(5);
    for (let r = 0; r < rows; r++) out += row(depth);
    if (group && chance(2)) out += close(pick([group, group, 'tbody']));
    if (chance(8)) out += junk();
    if (chance(16)) out += foreign(depth);
  }
  if (chance(10)) out += open('table', ['class']) + row(depth) + close('table');
  if (chance(8)) out += open('colgroup', ['span']);
  if (!chance(6)) out += close('table');
  return out + newline();
}

mkdirSync(folder, { recursive: true });
for (let i = 0; i < Number(countText); i++) {
  let page = pick(['', '<!DOCTYPE html>\n', '<!doctype html PUBLIC "a>b">\n']) + '<html><body>\n';
  const parts = 1 + next(6);
  for (let p = 0; p < parts; p++) {
    page += chance(3) ? junk() + newline() : '';
    page += chance(12) ? foreign(1) + newline() : '';
    page += chance(10) ? pick(['<td>stray</td>', '<tr>', '</table>', '<caption>', '<col>']) : '';
    page += table(0);
  }
  if (chance(4)) page += '</body></html>\n';
  writeFileSync(`${folder}/page${String(i).padStart(4, '0')}.html`, Buffer.from(page, 'latin1'));
}
