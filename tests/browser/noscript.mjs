// Opens default results of pages full of event handlers in headless Chromium, with scripting on,
// fires every event their handlers wait for, and fails when any handler runs. The handlers are
// in the kept tags (html, head, body, link, table, tr, td, th), and in tags written in comments
// and scripts, which the default mode reads as markup. Each handler, if it ran, would set the
// title to "ran" with text the default mode's filter keeps (no parentheses, no quotes: a
// template literal). As a control, the same results without their first element are opened
// too, and there the handlers must run: the check can fail.
// Usage: node noscript.mjs ZELKO FOLDER
import puppeteer from 'puppeteer-core';
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';
import { join } from 'node:path';

const [zelko, folder] = process.argv.slice(2);
const ran = 'document.title=`ran`';
const pages = {
  'kept-tags': `<html onpageshow="${ran}"><head onclick="${ran}">
<link rel=stylesheet href=missing.css onerror="${ran}" onload="${ran}">
<link rel=stylesheet href=data:text/css,p{} onload="${ran}"></head>
<body onload="${ran}" onpageshow="${ran}">
<table onclick="${ran}" onmouseover="${ran}"><tr onclick="${ran}">
<td onclick="${ran}" onmouseover="${ran}" tabindex=1 autofocus onfocus="${ran}">a</td>
<th onclick="${ran}">b</th></tr></table></body></html>
`,
  'upper-case': `<HTML ONPAGESHOW="${ran}"><BODY ONLOAD="${ran}"><TABLE><TR><TD ONCLICK="${ran}">a</TD></TR></TABLE></BODY></HTML>\n`,
  'in-comments': `<!-- a -> <body onload="${ran}"> -->
<!--> <html onpageshow="${ran}"> -->
<table><!-- x -> <td onclick="${ran}">c</td> --></table>
`,
  'in-scripts': `<script>var a = '<body onload="${ran}">';
var b = "<link rel=stylesheet href=missing.css onerror='${ran}'>";
var c = '<table><tr><td onclick="${ran}">x</td></tr></table>';</script>
<style>p { content: '<body onpageshow="${ran}">'; }</style>
`,
  'crlf-and-tabs': `<body\r\n onload="${ran}">\r\n<table><tr><td\tonclick="${ran}" onclick="${ran}">d</td></tr></table>\r\n`,
};

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
});
const tab = await browser.newPage();

// Opens `file` with scripting on and fires what its handlers wait for; true when one ran.
async function runs(file) {
  await tab.goto(pathToFileURL(file).href, { waitUntil: 'load' });
  await new Promise((resolve) => setTimeout(resolve, 100));  // onerror of a missing style sheet
  await tab.evaluate(() => {
    for (const element of document.querySelectorAll('*')) {
      for (const type of ['click', 'mouseover', 'focus'])
        element.dispatchEvent(new Event(type, { bubbles: true }));
    }
  });
  return (await tab.title()) === 'ran';
}

let failures = 0, controls = 0, opened = 0;
for (const [name, text] of Object.entries(pages)) {
  const page = join(folder, `${name}.html`);
  writeFileSync(page, text);
  for (const mode of ['-b', '-n']) {
    const result = join(folder, `${name}${mode}.result.html`);
    execFileSync(zelko, ['--no-open', `--output=${result}`, page, mode]);
    opened++;
    if (await runs(result)) {
      failures++;
      console.log(`noscript: a handler ran in the result of ${name} (${mode})`);
    }
    // The control: without the element the result begins with, the handlers run.
    const bare = join(folder, `${name}${mode}.bare.html`);
    writeFileSync(bare, readFileSync(result, 'latin1').replace(/^<meta [^>]*>/, ''), 'latin1');
    if (await runs(bare))
      controls++;
  }
}
await browser.close();
if (controls === 0) {
  console.log('noscript: no handler ran even without the policy: the check cannot fail');
  failures++;
}
console.log(`noscript: ${opened} results opened with scripting on, ${failures === 0 ? 'no handler ran' : 'FAILED'}; ` +
  `without the policy, handlers ran in ${controls}`);
process.exit(failures === 0 ? 0 : 1);
