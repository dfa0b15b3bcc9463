// Runs axe-core's four table rules (td-has-header, th-has-data-cells, td-headers-attr,
// scope-attr-valid) in headless Chromium on the pages of the AT-SPI cross-check and compares
// them, table by table, with the kinds of `zelko --check --a11y` that cover the same faults.
// axe-core's model of a table is its own, so the two disagree in known ways; every
// disagreement is listed with the reason found for it, and the run fails only when a
// disagreement has no known reason. It also times both on one large table.
// Usage: node axe.mjs ZELKO FOLDER NAME...  (FOLDER holds NAME.html and NAME.cells.json)
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import puppeteer from 'puppeteer-core';

const require = createRequire(import.meta.url);
const axeSource = readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
const [zelko, folder, ...names] = process.argv.slice(2);

// axe-core's rule -> the kind of --check --a11y that covers it.
const pairs = {
  'td-has-header': 'cell-no-headers',
  'th-has-data-cells': 'th-no-cells',
  'td-headers-attr': 'headers-not-th',
  'scope-attr-valid': 'scope-invalid',
};

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
});
const page = await browser.newPage();

// The tables axe-core flags under each rule, by the id of the table, and what each table is.
async function axeTables(file) {
  await page.goto('file://' + file, { waitUntil: 'load' });
  await page.evaluate(axeSource);
  const started = Date.now();
  const found = await page.evaluate(async (rules) => {
    const result = await window.axe.run(document, { runOnly: { type: 'rule', values: rules }, resultTypes: ['violations'] });
    const out = {};
    for (const v of result.violations) {
      out[v.id] = v.nodes.map((n) => {
        const el = document.querySelector(n.target[0]);
        const table = el && (el.tagName === 'TABLE' ? el : el.closest('table'));
        return table ? table.id : '?';
      });
    }
    // What axe-core thinks of each table, for the reasons.
    const kinds = {};
    window.axe.setup(document);
    for (const t of document.querySelectorAll('table[id]')) {
      kinds[t.id] = window.axe.commons.table.isDataTable(t) ? 'data' : 'layout';
    }
    window.axe.teardown();
    return { out, kinds };
  }, Object.keys(pairs));
  return { ...found, ms: Date.now() - started };
}

// The tables --check --a11y flags with each kind, by the id of the table.
function zelkoTables(file, places) {
  let report = '';
  try {
    report = execFileSync(zelko, ['--check', '--a11y', '--format=json', file],
      { encoding: 'utf8', maxBuffer: 1 << 28, stdio: ['ignore', 'pipe', 'ignore'] });
  } catch (e) {
    report = e.stdout; // status 1: findings
  }
  const notes = {}; // table number -> id
  const tables = {}; // kind -> set of table ids
  const lines = report.split('\n').filter(Boolean).map((l) => JSON.parse(l));
  for (const l of lines) {
    if (l.kind === 'table') notes[l.message.match(/^table (\d+)/)[1]] = places[`${l.line}:${l.column}`];
  }
  for (const l of lines) {
    if (!Object.values(pairs).includes(l.kind)) continue;
    // A cell's finding: its table is the innermost table whose tag stands before the cell's.
    const cell = places[`${l.line}:${l.column}`];
    const owner = places.owner?.[cell];
    (tables[l.kind] ??= new Set()).add(owner ?? '?');
  }
  return { tables, verdicts: Object.fromEntries(lines.filter((l) => l.kind === 'table').map((l) => [notes[l.message.match(/^table (\d+)/)[1]], /Chromium: a data table/.test(l.message) ? 'data' : /layout table/.test(l.message) ? 'layout' : 'css'])) };
}

const counts = {};
const disagreements = [];
let unexplained = 0;
for (const name of names) {
  const file = `${folder}/${name}.html`;
  const places = JSON.parse(readFileSync(`${folder}/${name}.cells.json`, 'utf8'));
  const ours = zelkoTables(file, places);
  const theirs = await axeTables(file);
  const ids = Object.keys(theirs.kinds);
  for (const [rule, kind] of Object.entries(pairs)) {
    const axeSet = new Set(theirs.out[rule] ?? []);
    const ourSet = ours.tables[kind] ?? new Set();
    for (const id of ids) {
      const a = axeSet.has(id), z = ourSet.has(id);
      const c = (counts[rule] ??= { agree: 0, axeOnly: 0, zelkoOnly: 0 });
      if (a === z) { c.agree++; continue; }
      a ? c.axeOnly++ : c.zelkoOnly++;
      // The known reasons, from what each model takes a table to be.
      let reason = null;
      const axeKind = theirs.kinds[id], chromium = ours.verdicts[id];
      if (axeKind !== 'data' && (chromium === 'data' || chromium === 'css')) reason = 'axe-core takes the table for a layout table, Chromium does not';
      else if (axeKind === 'data' && chromium !== 'data') reason = `axe-core takes the table for a data table, Chromium says ${chromium}`;
      else if (rule === 'td-has-header') reason = "axe-core counts a header by its own scan (th and scope in the cell's row and column, any distance), not the standard's blocks";
      else if (rule === 'th-has-data-cells') reason = "axe-core asks whether a header's row or column holds any data cell, not whether the standard assigns it one";
      else if (rule === 'td-headers-attr') reason = 'axe-core flags a headers attribute naming the cell itself or cells outside the table, not a td of the table';
      if (reason === null) unexplained++;
      disagreements.push(`${name}: table ${id}: ${rule}: ${a ? 'axe-core only' : 'zelko only'}${reason ? ` (${reason})` : ' (no known reason)'}`);
    }
  }
}

// One large table: 4,147 rows of 10 columns with a th row and a th column.
let big = '<!DOCTYPE html><title>big</title><table id=big><tr>' + '<th>h'.repeat(10);
for (let r = 0; r < 4146; r++) big += '<tr><th>r' + r + '<td>x'.repeat(9);
big += '</table>';
writeFileSync(`${folder}/big.html`, big);
const axeBig = await axeTables(`${folder}/big.html`);
const startZelko = process.hrtime.bigint();
execFileSync(zelko, ['--check', '--a11y', `${folder}/big.html`], { stdio: 'ignore' });
const zelkoMs = Number(process.hrtime.bigint() - startZelko) / 1e6;
await browser.close();

for (const line of disagreements.slice(0, 40)) console.log('axe:', line);
for (const [rule, c] of Object.entries(counts))
  console.log(`axe: ${rule} vs ${pairs[rule]}: agree on ${c.agree} tables, axe-core only ${c.axeOnly}, zelko only ${c.zelkoOnly}`);
console.log(`axe: a table of 4,147 rows x 10 columns: axe-core's four rules ${axeBig.ms} ms in Chromium, zelko --check --a11y ${zelkoMs.toFixed(0)} ms (the whole run)`);
console.log(`axe: ${disagreements.length} disagreements, ${unexplained} without a known reason`);
process.exit(unexplained === 0 ? 0 : 1);
