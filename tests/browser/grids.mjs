// Loads each page and its --html5 view in headless Chromium, with scripting off (so noscript
// content is read as markup, as zelko reads it), and compares the grids the browser builds from
// the two, table by table in the order of their start tags: every row, and in it every cell's
// kind, colspan and rowspan as the browser uses them; in the view, each cell's label too, and
// nothing that could run (no script element, no on* attribute).
// Usage: node grids.mjs FOLDER PAGE...   (each PAGE.html beside its view PAGE.view.html)
import puppeteer from 'puppeteer-core';
import { pathToFileURL } from 'node:url';
import { join } from 'node:path';

const [folder, ...pages] = process.argv.slice(2);
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
  protocolTimeout: 600000,
});
const tab = await browser.newPage();
await tab.setJavaScriptEnabled(false);

// The grid of every table: its rows in tree order (row groups and rows as they stand), each row
// its cells.
function grids() {
  // An element's own text, without that of the tables nested in it.
  const ownText = (e) => [...e.childNodes].filter((n) => n.nodeType === Node.TEXT_NODE).map((n) => n.data).join('');
  const rowsOf = (table) => {
    const rows = [];
    for (const child of table.children) {
      if (child.tagName === 'TR') rows.push(child);
      else if (['THEAD', 'TBODY', 'TFOOT'].includes(child.tagName))
        for (const row of child.children) if (row.tagName === 'TR') rows.push(row);
    }
    return rows;
  };
  const tables = [...document.querySelectorAll('table')].map((table) => rowsOf(table).map((row) =>
    [...row.cells].map((cell) => ({
      kind: cell.tagName.toLowerCase(), colspan: cell.colSpan, rowspan: cell.rowSpan,
      cls: cell.getAttribute('class') ?? '', text: ownText(cell),
    }))));
  // A table's class, and in a view the caption that names it.
  const classes = [...document.querySelectorAll('table')].map((table) => ({
    cls: table.getAttribute('class'),
    caption: table.caption ? ownText(table.caption) : '',
  }));
  const unsafe = document.querySelectorAll('script').length +
    [...document.querySelectorAll('*')].filter((e) => [...e.attributes].some((a) => a.name.startsWith('on'))).length;
  return { tables, classes, unsafe };
}

let differences = 0;
const differ = (text) => { if (differences++ < 20) console.log(`browser: ${text}`); };
for (const name of pages) {
  await tab.goto(pathToFileURL(join(folder, `${name}.html`)).href, { timeout: 600000 });
  const page = await tab.evaluate(grids);
  await tab.goto(pathToFileURL(join(folder, `${name}.view.html`)).href, { timeout: 600000 });
  const view = await tab.evaluate(grids);
  if (view.unsafe !== 0) differ(`${name}: the view holds ${view.unsafe} scripts or handlers`);
  if (page.tables.length !== view.tables.length) {
    differ(`${name}: ${page.tables.length} tables in the page, ${view.tables.length} in the view`);
    continue;
  }
  page.classes.forEach(({ cls }, t) => {
    const caption = view.classes[t].caption;
    if (caption.startsWith(`table ${t + 1} \u00b7`) && cls !== null && !caption.includes(`class "${cls}"`))
      differ(`${name}: table ${t + 1}: caption ${JSON.stringify(caption)}, expected class ${JSON.stringify(cls)}`);
  });
  page.tables.forEach((rows, t) => {
    const viewRows = view.tables[t];
    if (rows.length !== viewRows.length) {
      differ(`${name}: table ${t + 1} has ${rows.length} rows in the page, ${viewRows.length} in the view`);
      return;
    }
    rows.forEach((cells, r) => {
      const shape = (c) => `${c.kind} ${c.colspan}x${c.rowspan}`;
      const want = cells.map(shape).join(', ');
      const got = viewRows[r].map(shape).join(', ');
      if (want !== got) {
        differ(`${name}: table ${t + 1}, row ${r + 1}: page [${want}], view [${got}]`);
        return;
      }
      cells.forEach((c, i) => {
        const label = `\u00a0${c.colspan}x${c.rowspan} ${c.cls}`;
        if (!viewRows[r][i].text.startsWith(label))
          differ(`${name}: table ${t + 1}, row ${r + 1}, cell ${i + 1}: label ${JSON.stringify(viewRows[r][i].text.slice(0, 60))}, expected ${JSON.stringify(label)}`);
      });
    });
  });
}
await browser.close();
console.log(`browser: ${pages.length} pages, ${differences} differences`);
process.exit(differences === 0 ? 0 : 1);
