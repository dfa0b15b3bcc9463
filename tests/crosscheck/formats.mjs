// Checks a --format=json report against the gnu report of the same run: one JSON object per
// line, with exactly the keys page, line, column, severity, kind and message in that order, and
// each saying what the gnu line at the same place says.
// Usage: node formats.mjs GNU-REPORT JSON-REPORT
import { readFileSync } from 'node:fs';

const [gnuFile, jsonFile] = process.argv.slice(2);
const lines = (file) => readFileSync(file, 'utf8').split('\n').filter((line) => line !== '');
const gnu = lines(gnuFile);
const json = lines(jsonFile);
const keys = ['page', 'line', 'column', 'severity', 'kind', 'message'];
let problems = 0;
const problem = (text) => { if (problems++ < 10) console.log(`formats: ${text}`); };
if (gnu.length !== json.length) problem(`${gnu.length} gnu lines but ${json.length} JSON lines`);
for (let i = 0; i < Math.min(gnu.length, json.length); i++) {
  let finding;
  try { finding = JSON.parse(json[i]); } catch (e) { problem(`line ${i + 1} is no JSON: ${e.message}`); continue; }
  if (Object.keys(finding).join() !== keys.join()) problem(`line ${i + 1} has the keys ${Object.keys(finding)}`);
  const { page, line, column, severity, kind, message } = finding;
  const expected = `${page}:${line}:${column}: ${severity}: ${message} [${kind}]`;
  if (expected !== gnu[i]) problem(`line ${i + 1}: JSON says ${expected}\n  gnu says  ${gnu[i]}`);
}
process.exit(problems === 0 ? 0 : 1);
