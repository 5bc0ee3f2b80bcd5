// The page as a person uses it, opened straight from disk in headless
// Chromium: every file it converts gives the bytes tarnwick-sim lottie
// writes, and it asks no other host for anything.
//   node --test page.test.mjs   (tools/dev test runs it after tools/dev web)
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const pageUrl = pathToFileURL(path.join(root, 'build/web/index.html')).href;
const sim = process.env.TARNWICK_SIM || path.join(root, 'build/native/sim/tarnwick-sim');
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-page-'));

let browser;
let page;
const requests = [];

// What the command line writes for the file and choices, and its status and line.
// The file is named as the page names it, by its name alone.
function commandLine(file, ...options) {
  try {
    const text = execFileSync(sim, ['lottie', path.basename(file), ...options],
      { cwd: path.dirname(file), stdio: ['ignore', 'pipe', 'pipe'], maxBuffer: 1 << 30 });
    return { status: 0, text };
  } catch (error) {
    const line = error.stderr.toString().split('\n')[0].replace(/^tarnwick-sim: /, '');
    return { status: error.status, text: Buffer.alloc(0), line };
  }
}

async function message() {
  return page.$eval('#message', (element) => element.textContent);
}

async function answers() {
  return page.$eval('#message', (element) => Number(element.dataset.answers || 0));
}

// Waits for the page to show its next answer after `count` answers.
async function answerAfter(count) {
  await page.waitForFunction(
    (shown) => Number(document.getElementById('message').dataset.answers || 0) > shown,
    { timeout: 60000 }, count);
}

// Opens a file through the page's file input and waits for its answer.
async function open(file) {
  const shown = await answers();
  const input = await page.$('#lottie-file');
  await input.uploadFile(file);
  await answerAfter(shown);
  return message();
}

// Changes a control and waits for the conversion it starts.
async function change(act) {
  const shown = await answers();
  await act();
  await answerAfter(shown);
}

// The whole text as the download link gives it.
async function downloaded() {
  const bytes = await page.$eval('#download', async (link) => {
    const buffer = await (await fetch(link.href)).arrayBuffer();
    return Array.from(new Uint8Array(buffer));
  });
  return Buffer.from(bytes);
}

before(async () => {
  browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu'],
  });
  page = await browser.newPage();
  page.on('request', (request) => requests.push(request.url()));
  // Copy's text, as the clipboard receives it.
  await page.evaluateOnNewDocument(() => {
    window.copiedText = null;
    Object.defineProperty(navigator, 'clipboard', {
      value: { writeText: async (text) => { window.copiedText = text; } },
    });
  });
  await page.setViewport({ width: 1280, height: 1000 });
  await page.goto(pageUrl);
});

after(async () => {
  await browser?.close();
  fs.rmSync(scratch, { recursive: true, force: true });
});

test('examples convert to the bytes the command line writes', async () => {
  for (const file of ['examples/lottie/moving-window.json', 'tests/lottie/lottie-web/dalek.json',
    'tests/lottie/equivalent.json']) {
    const expected = commandLine(path.join(root, file));
    const line = await open(path.join(root, file));
    assert.match(line, /masks? from the main composition/, file);
    assert.ok((await downloaded()).equals(expected.text), `${file}: the download differs`);
    assert.equal(await page.$eval('#download', (link) => link.download),
      path.basename(file, '.json') + '.setting');
    assert.ok(await page.$eval('#preview', (image) => image.src.startsWith('blob:')));
  }
});

test('Copy puts the whole text on the clipboard', async () => {
  const file = path.join(root, 'examples/lottie/moving-window.json');
  await open(file);
  await page.click('#copy');
  await page.waitForFunction(() => window.copiedText !== null);
  const copied = await page.evaluate(() => window.copiedText);
  assert.equal(copied, commandLine(file).text.toString('latin1'));
});

test('a precomposition is chosen from the list', async () => {
  const file = path.join(root, 'tests/lottie/lottie-web/starfish.json');
  const line = await open(file);
  assert.equal(line, commandLine(file).line, 'the main composition has no mask');
  const options = await page.$$eval('#composition option', (all) => all.map((o) => o.value));
  assert.deepEqual(options, ['', 'comp_1']);
  await change(() => page.select('#composition', 'comp_1'));
  assert.match(await message(), /1 mask from precomposition comp_1/);
  assert.ok((await downloaded()).equals(commandLine(file, '--comp', 'comp_1').text));
});

test('every frame, as --every-frame', async () => {
  const file = path.join(root, 'examples/lottie/moving-window.json');
  await open(file);
  await change(() => page.click('#every-frame'));
  assert.ok((await downloaded()).equals(commandLine(file, '--every-frame').text));
  await change(() => page.click('#every-frame'));
});

test('a broken file gets the command line\'s one line and clears what was shown', async () => {
  await open(path.join(root, 'examples/lottie/moving-window.json'));
  const broken = path.join(scratch, 'broken.json');
  fs.writeFileSync(broken, '{ "fr": 25,\n');
  const line = await open(broken);
  assert.equal(line, commandLine(broken).line);
  assert.equal(await page.$eval('#settings-text', (area) => area.value), '');
  assert.equal(await page.$eval('#download', (link) => link.hasAttribute('href')), false);
  assert.equal(await page.$eval('#preview', (image) => image.hasAttribute('src')), false);
  assert.equal(await page.$eval('#copy', (button) => button.disabled), true);
});

test('a file of 200,000 point lines, timed', async () => {
  const file = path.join(scratch, 'two-hundred-thousand.json');
  const masks = [];
  for (let m = 0; m < 2; m += 1) {
    const keys = [];
    for (let k = 0; k < 100; k += 1) {
      const v = [];
      const t = [];
      for (let n = 0; n < 1000; n += 1) {
        const angle = (2 * Math.PI * n) / 1000;
        const radius = 300 + 40 * Math.sin(7 * angle + 0.1 * k + m);
        v.push([+(960 + radius * Math.cos(angle)).toFixed(3), +(540 + radius * Math.sin(angle)).toFixed(3)]);
        t.push([+(Math.cos(angle)).toFixed(3), +(Math.sin(angle)).toFixed(3)]);
      }
      keys.push({ t: k, s: [{ c: true, v, i: t.map(([x, y]) => [-x, -y]), o: t }] });
    }
    masks.push({ mode: 'a', pt: { a: 1, k: keys } });
  }
  fs.writeFileSync(file, JSON.stringify({
    fr: 25, ip: 0, op: 100, w: 1920, h: 1080,
    layers: [{ ind: 1, ks: {}, masksProperties: masks }],
  }));
  const start = Date.now();
  const line = await open(file);
  const seconds = (Date.now() - start) / 1000;
  assert.match(line, /2 masks from the main composition/);
  const text = await page.$eval('#settings-text', (area) => area.value);
  assert.match(text, /the whole text \(\d+ bytes\) is in Copy and Download\.$/);
  assert.ok((await downloaded()).equals(commandLine(file).text));
  console.log(`200,000 point lines converted in the page in ${seconds.toFixed(2)} s`);
});

test('the page is usable by keyboard and asks no other host for anything', async () => {
  await open(path.join(root, 'examples/lottie/moving-window.json'));
  for (const id of ['lottie-file', 'composition', 'every-frame', 'settings-text']) {
    const labelled = await page.$eval(`label[for="${id}"]`, (label) => label.textContent.trim());
    assert.ok(labelled.length > 0, `#${id} has a label`);
  }
  await page.screenshot({ path: path.join(root, 'build/page.png'), fullPage: true });
  const elsewhere = requests.filter((url) => !/^(file|blob|data):/.test(url));
  assert.deepEqual(elsewhere, []);
});
