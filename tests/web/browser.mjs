// Driving the page in Debian's Chromium for the tests and the benchmark:
// launching it (nothing downloaded), dropping files on the view by a real
// drop event, reading the view back, and the reference tool's outputs.
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { basename, dirname, join, resolve } from 'node:path';
import { chromium } from 'playwright-core';
import { serve } from '../../web/serve.mjs';

export const REPO = resolve(new URL('../..', import.meta.url).pathname);
// ZAVIK_PAGE_DIR: another build's page (scripts/bench --before).
export const PAGE_DIR = process.env.ZAVIK_PAGE_DIR || join(REPO, 'build/wasm/web');
export const ZAVIK = process.env.ZAVIK || join(REPO, 'build/native/bin/zavik');
export const CHROMIUM = process.env.ZAVIK_CHROMIUM || '/usr/bin/chromium';

// A browser with a new, empty profile; every request any page makes is
// recorded in `requests`. close() ends the browser, the server and the profile.
export async function startBrowser() {
  const profile = mkdtempSync(join(tmpdir(), 'zavik-chromium-'));
  const server = await serve(PAGE_DIR);
  const origin = `http://127.0.0.1:${server.address().port}`;
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    acceptDownloads: true,
    viewport: { width: 1280, height: 800 },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const requests = [];
  context.on('request', (request) => requests.push(request.url()));
  return {
    context, origin, requests,
    async close() {
      await context.close();
      server.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

export async function openPage(browser, url = `${browser.origin}/`) {
  const page = await browser.context.newPage();
  page.on('pageerror', (error) => { throw error; });
  await page.goto(url);
  await page.waitForFunction(() => window.zavikPage !== undefined);
  return page;
}

// Drops files on the view: the files go through a file input of their own
// (so that they are real File objects), then a DragEvent carrying them is
// dispatched on the view. Resolves when the page has opened the first one.
// Returns the milliseconds from the drop to the view drawn.
export async function drop(page, paths) {
  const input = await page.evaluateHandle(() => {
    const element = document.createElement('input');
    element.type = 'file';
    element.multiple = true;
    element.hidden = true;
    document.body.append(element);
    return element;
  });
  await input.setInputFiles(paths);
  const opens = await page.evaluate((element) => {
    const transfer = new DataTransfer();
    for (const file of element.files) transfer.items.add(file);
    element.remove();
    const before = window.zavikPage.opens;
    window.zavikPage.dropStart = performance.now();
    document.getElementById('view').dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    return before;
  }, input);
  await page.waitForFunction((n) => window.zavikPage.opens > n, opens, { timeout: 120000 });
  return page.evaluate(() => window.zavikPage.shownAt - window.zavikPage.dropStart);
}

// Waits until the page has finished what it was asked (one request queue).
export async function settle(page, counter, before) {
  await page.waitForFunction(([key, n]) => window.zavikPage[key] > n, [counter, before], { timeout: 60000 });
}

// The view as the page holds it: {width, height, rgba} of the whole view the
// core made, and `shown`, the part the canvas shows, with its place.
export async function viewPixels(page) {
  const view = await page.evaluate(async () => {
    const base64 = (buffer) => {
      const data = new Uint8Array(buffer);
      let text = '';
      for (let i = 0; i < data.length; i += 0x8000) text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
      return btoa(text);
    };
    const v = await window.zavikPage.readView();
    return { width: v.width, height: v.height, rgba: base64(v.pixels),
             shown: { ...v.shown, pixels: base64(v.shown.pixels) } };
  });
  return { width: view.width, height: view.height, rgba: Buffer.from(view.rgba, 'base64'),
           shown: { ...view.shown, rgba: Buffer.from(view.shown.pixels, 'base64') } };
}

// The part of top-down RGBA pixels at (x, y), width x height.
export function crop({ width, rgba }, x, y, w, h) {
  const out = Buffer.alloc(w * h * 4);
  for (let row = 0; row < h; ++row) rgba.copy(out, row * w * 4, ((y + row) * width + x) * 4, ((y + row) * width + x + w) * 4);
  return out;
}

// A 24-bit BMP (as zavik render writes it) as top-down RGBA.
export function bmpPixels(bytes) {
  const offset = bytes.readUInt32LE(10);
  const width = bytes.readInt32LE(18);
  const height = bytes.readInt32LE(22);
  const stride = Math.floor((3 * width + 3) / 4) * 4;
  const rgba = Buffer.alloc(width * height * 4);
  for (let y = 0; y < height; ++y) {
    const row = offset + (height - 1 - y) * stride;
    for (let x = 0; x < width; ++x) {
      const s = row + 3 * x, d = 4 * (y * width + x);
      rgba[d] = bytes[s + 2]; rgba[d + 1] = bytes[s + 1]; rgba[d + 2] = bytes[s]; rgba[d + 3] = 255;
    }
  }
  return { width, height, rgba };
}

// Runs the reference tool in a scratch folder; returns the output file's bytes.
export function zavik(args, outName) {
  const dir = mkdtempSync(join(tmpdir(), 'zavik-ref-'));
  try {
    execFileSync(ZAVIK, [...args, join(dir, outName)], { stdio: ['ignore', 'ignore', 'pipe'] });
    return readFileSync(join(dir, outName));
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// zavik info --json of one file, run in the file's folder (as the page
// opens the dropped files by their names); it fails when the file does not load.
export function zavikInfo(path) {
  const run = spawnSync(ZAVIK, ['info', '--json', basename(path)], { cwd: dirname(path), encoding: 'utf8' });
  return JSON.parse(run.stdout.trim().split('\n')[0]);
}
