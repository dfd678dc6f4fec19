// Opens pages that rivan6 wrote in headless chromium and fails when a
// figure is missing or draws nothing, when the page logs an error, throws,
// or asks for anything outside its own folder.
//
//   node check_pages.mjs DIR PAGE=FIGURE,FIGURE... [PAGE=@COUNT] ...
//
// PAGE=FIGURE,... names the figures (data-figure) that the page must hold;
// PAGE=@COUNT asks for that many inline <svg> elements (the index page's
// sparklines). Every <svg> on a page must have a title and a non-empty
// bounding box.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';

const [dir, ...expectations] = process.argv.slice(2);
if (!dir || expectations.length === 0) {
  console.error('usage: node check_pages.mjs DIR PAGE=FIGURE,... ...');
  process.exit(2);
}
const executablePath = process.env.CHROMIUM || '/usr/bin/chromium';
const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'rivan6-chromium-'));
let failures = 0;
let checks = 0;
const fail = (page, what) => {
  failures += 1;
  console.log(`FAIL ${page}: ${what}`);
};

const browser = await puppeteer.launch({
  executablePath,
  headless: true,
  userDataDir,
  args: [
    '--no-sandbox',
    '--headless',
    '--disable-gpu',
    '--no-first-run',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-sync',
  ],
  timeout: 60000,
});
try {
  for (const expectation of expectations) {
    const [name, wanted = ''] = expectation.split('=');
    const file = path.resolve(dir, name);
    const url = pathToFileURL(file).href;
    if (!fs.existsSync(file)) {
      fail(name, 'the page was not written');
      continue;
    }
    const page = await browser.newPage();
    await page.setViewport({ width: 1200, height: 900 });
    const problems = [];
    page.on('console', (msg) => {
      if (msg.type() === 'error') problems.push(`console error: ${msg.text()}`);
    });
    page.on('pageerror', (err) => problems.push(`page error: ${err.message}`));
    page.on('requestfailed', (req) => problems.push(`request failed: ${req.url()}`));
    page.on('request', (req) => {
      const u = req.url();
      if (u !== url && !u.startsWith('data:') && !u.startsWith(url + '#'))
        problems.push(`the page asked for ${u}`);
    });
    await page.goto(url, { waitUntil: 'load', timeout: 30000 });

    const found = await page.evaluate(() =>
      [...document.querySelectorAll('svg')].map((svg) => {
        const box = svg.getBoundingClientRect();
        const content = svg.getBBox();
        const figure = svg.closest('figure');
        const title = svg.querySelector(':scope > title');
        const desc = svg.querySelector(':scope > desc');
        return {
          figure: figure ? figure.dataset.figure : null,
          id: svg.id,
          width: box.width,
          height: box.height,
          contentWidth: content.width,
          contentHeight: content.height,
          title: title ? title.textContent.trim() : '',
          desc: desc ? desc.textContent.trim() : '',
        };
      }),
    );
    for (const svg of found) {
      checks += 1;
      const label = `${name} <svg id="${svg.id}">`;
      if (!(svg.width > 0 && svg.height > 0)) fail(label, `empty bounding box ${svg.width}x${svg.height}`);
      if (!(svg.contentWidth > 0 && svg.contentHeight > 0)) fail(label, 'draws nothing');
      if (!svg.title) fail(label, 'no <title>');
      if (!svg.desc) fail(label, 'no <desc>');
    }
    if (wanted.startsWith('@')) {
      checks += 1;
      const count = Number(wanted.slice(1));
      if (found.length !== count) fail(name, `${found.length} figures, expected ${count}`);
    } else {
      for (const figure of wanted.split(',').filter(Boolean)) {
        checks += 1;
        const n = found.filter((svg) => svg.figure === figure).length;
        if (n !== 1) fail(name, `figure "${figure}" found ${n} times`);
      }
      const unexpected = found.filter((svg) => svg.figure && !wanted.split(',').includes(svg.figure));
      for (const svg of unexpected) fail(name, `unexpected figure "${svg.figure}"`);
    }
    checks += 1;
    for (const p of problems) fail(name, p);
    console.log(`${name}: ${found.length} figures checked`);
    await page.close();
  }
} finally {
  await browser.close();
  fs.rmSync(userDataDir, { recursive: true, force: true });
}
console.log(`${checks - failures} passed, ${failures} failed`);
process.exit(failures === 0 ? 0 : 1);
