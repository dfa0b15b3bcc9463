// Writes pages that nest deeper than Chromium builds (512 elements), each reaching that depth in
// another element of a table: a row group, a cell, a row, a table, a caption, a column group;
// through SVG, closed again, and mixed. Each is written twice, for both modes of the view.
// Usage: node deep.mjs FOLDER
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';

const [folder] = process.argv.slice(2);
const times = (n, text) => text.repeat(n);
const pages = {
  'deep-row-group': times(150, '<table><tr><td>x'),
  'deep-cell': '<table><caption>c' + times(150, '<table><tr><td>x'),
  'deep-row': '<svg><foreignObject><div>' + times(150, '<table class=k><tr><td class=a>x<td class=b>y'),
  'deep-table': '<svg><foreignObject><div><table><caption>c' + times(150, '<table><tr><th>x</th><td rowspan=2>y'),
  'deep-caption': times(300, '<table><caption>c'),
  'deep-column-group': times(254, '<table><caption>') +
    '<table><colgroup span=2><col span=3><col></colgroup><tr><td>q' + times(100, '<table><tr><td>x'),
  'deep-closed': times(200, '<table><tr><td>x') + times(80, '</td></tr></table>') +
    '<table><tr><td>after<td>b</table>' + times(200, '</table>') + '<table><tr><td>z</table>',
  'deep-svg': times(100, '<table><tr><td><svg><foreignObject>'),
  'deep-mixed': Array.from({ length: 300 }, (_, i) =>
    ['<table><thead><tr><th>h<tbody><tr><td>d', '<table><caption>', '<table><tr><td>a<td>'][i % 3]).join(''),
};
for (const [name, body] of Object.entries(pages))
  for (const mode of ['own', 'plain'])
    writeFileSync(join(folder, `${mode}-${name}.html`), `<!doctype html>${body}`);
// 10,000 nested tables: Chromium builds table 128 with 9,873 rows and no cells, and 9,872 empty
// tables in its row group. Slow to lay out, so in one mode only.
writeFileSync(join(folder, 'own-deep-ten-thousand.html'), times(10000, '<table><tr><td>'));
