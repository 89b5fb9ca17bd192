// The page in headless Chromium against the command-line tool: the same
// pixels, the same saved bytes, the same texts and messages, and no request
// beyond the page's own files. node --test tests/web/web_test.mjs
import assert from 'node:assert/strict';
import { copyFileSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { bmpPixels, crop, drop, openPage, PAGE_DIR, REPO, settle, startBrowser, viewPixels, zavik, zavikInfo } from './browser.mjs';

const SAMPLES = ['landscape.jpg', 'hanako.esi', 'sunset.cnv', 'kirakira.itm'].map((name) => join(REPO, 'samples', name));
const sample = (name) => join(REPO, 'samples', name);

let browser;
let scratch;
before(async () => {
  browser = await startBrowser();
  scratch = mkdtempSync(join(tmpdir(), 'zavik-web-'));
});
after(async () => {
  await browser.close();
  rmSync(scratch, { recursive: true, force: true });
});

// The whole view equals the expected one, and so does the part on screen.
function assertSamePixels(actual, expected, what) {
  assert.deepEqual([actual.width, actual.height], [expected.width, expected.height], `${what}: size`);
  if (!actual.rgba.equals(expected.rgba)) {
    const i = actual.rgba.findIndex((v, k) => v !== expected.rgba[k]) >> 2;
    assert.fail(`${what}: first different pixel at (${i % actual.width}, ${Math.floor(i / actual.width)})`);
  }
  const { x, y, width, height, rgba } = actual.shown;
  assert.ok(width > 0 && height > 0 || expected.width * expected.height === 0, `${what}: something is shown`);
  assert.ok(rgba.equals(crop(expected, x, y, width, height)), `${what}: the canvas shows the view at (${x}, ${y})`);
}

async function zoomTo(page, percent) {
  const views = await page.evaluate(() => window.zavikPage.views);
  await page.selectOption('#zoom', String(percent));
  await settle(page, 'views', views);
}

async function click(page, selector, counter = 'views') {
  const n = await page.evaluate((key) => window.zavikPage[key], counter);
  await page.click(selector);
  await settle(page, counter, n);
}

test('each sample opens by a drop with the view of zavik render at 100, 90 and 10 %', async () => {
  const page = await openPage(browser);
  for (const file of SAMPLES) {
    await drop(page, [file]);
    for (const percent of [100, 90, 10]) {
      if (percent !== 100 || (await page.inputValue('#zoom')) !== '100') await zoomTo(page, percent);
      const expected = bmpPixels(zavik(['render', '--zoom', String(percent), file], 'view.bmp'));
      assertSamePixels(await viewPixels(page), expected, `${file} at ${percent} %`);
    }
    await zoomTo(page, 100);
  }
  // Several files: the arrow keys go from one to the next and back.
  await drop(page, SAMPLES);
  assert.match(await page.textContent('#position'), /^1 \/ 4$/);
  for (const [key, position] of [['ArrowRight', '2 / 4'], ['ArrowRight', '3 / 4'], ['ArrowLeft', '2 / 4']]) {
    const opens = await page.evaluate(() => window.zavikPage.opens);
    await page.keyboard.press(key);
    await settle(page, 'opens', opens);
    assert.equal(await page.textContent('#position'), position);
  }
  // The second file is the painter: its view and its title, as the viewer's.
  assertSamePixels(await viewPixels(page), bmpPixels(zavik(['render', SAMPLES[1]], 'view.bmp')), 'painter after the keys');
  assert.equal(await page.title(), 'hanako.esi（絵師：花子） - zavik view');

  // A window smaller than the picture: scrolled, the canvas shows that part.
  await page.setViewportSize({ width: 560, height: 360 });
  await drop(page, [SAMPLES[0]]);
  const views = await page.evaluate(() => window.zavikPage.views);
  await page.evaluate(() => document.getElementById('view').scrollTo(150, 100));
  await settle(page, 'views', views);
  const scrolled = await viewPixels(page);
  assert.deepEqual([scrolled.shown.x, scrolled.shown.y], [150, 100]);
  assertSamePixels(scrolled, bmpPixels(zavik(['render', SAMPLES[0]], 'view.bmp')), 'scrolled');

  // Fit to window: the largest zoom step whose view fits the view area, the
  // view being that step's of zavik render.
  const before = await page.evaluate(() => window.zavikPage.views);
  await page.check('#fit');
  await settle(page, 'views', before);
  const area = await page.evaluate(() => ({ w: document.getElementById('view').clientWidth,
                                            h: document.getElementById('view').clientHeight }));
  const fits = (p) => Math.trunc(640 * Math.fround(p / 100)) <= area.w && Math.trunc(480 * Math.fround(p / 100)) <= area.h;
  const step = [100, 90, 80, 70, 60, 50, 40, 30, 20, 10].find(fits) ?? 10;
  assert.equal(await page.inputValue('#zoom'), String(step));
  assertSamePixels(await viewPixels(page), bmpPixels(zavik(['render', '--zoom', String(step), SAMPLES[0]], 'view.bmp')),
                   'fit to window');
  await page.close();
});

test('separation and recolouring as the two dialogs apply them, and the saved files of zavik convert', async () => {
  const page = await openPage(browser);
  // Transparency dialog with its proposal and tolerance 40, then the colour
  // dialog: pen #2040C0, background colour #F0E0A0 filled.
  const steps = ['--separate', '--tolerance', '40', '--pen-color', '#2040C0', '--fill', '#F0E0A0'];
  await drop(page, [sample('landscape.jpg')]);
  await page.fill('#tolerance', '40');
  await click(page, '#transparency-ok');
  await page.evaluate(() => {
    document.getElementById('pen-colour').value = '#2040c0';
    document.getElementById('background-colour').value = '#f0e0a0';
    document.getElementById('mode-fill').checked = true;
  });
  await click(page, '#colours-ok');
  assertSamePixels(await viewPixels(page), bmpPixels(zavik(['render', ...steps, sample('landscape.jpg')], 'view.bmp')),
                   'separated and filled');
  for (const [index, format, name] of [[1, 'jpeg', 'landscape.jpg'], [2, 'bmp', 'landscape.bmp'], [3, 'png', 'landscape.png']]) {
    await page.selectOption('#save-format', String(index));
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
    assert.equal(download.suggestedFilename(), name);
    const saved = readFileSync(await download.path());
    const expected = zavik(['convert', '--format', format, ...steps, sample('landscape.jpg')], `out.${format}`);
    assert.ok(saved.equals(expected), `${name}: the bytes of zavik convert`);
  }
  // The painter separated with the dialog's proposal after "反転" (a light
  // pen): the checkerboard behind it, and a PNG with alpha.
  await drop(page, [sample('hanako.esi')]);
  await page.click('#swap');
  await click(page, '#transparency-ok');
  const swapped = ['--separate', '--swap'];
  const messages = await page.evaluate(() => window.zavikPage.messageLog.length);
  assert.equal(messages, 0, 'the separation succeeded');
  assertSamePixels(await viewPixels(page), bmpPixels(zavik(['render', ...swapped, sample('hanako.esi')], 'view.bmp')),
                   'checkerboard');
  await page.selectOption('#save-format', '3');
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  assert.ok(readFileSync(await download.path()).equals(zavik(['convert', ...swapped, sample('hanako.esi')], 'out.png')),
            'PNG with alpha');
  await page.close();
});

test('properties: the painter dialog, the item dialog and a standard image size, in the viewer\'s texts', async () => {
  const page = await openPage(browser);
  await drop(page, [sample('hanako.esi')]);
  const painter = zavikInfo(sample('hanako.esi')).painterRecord;
  const field = (name, pen) => page.textContent(`#properties-body ${pen ? `[data-pen="${pen}"]` : ''} [data-field="${name}"]`);
  assert.equal(await field('name'), painter.name);
  assert.equal(await field('name', 'fillPen'), painter.fillPenName);
  assert.equal(await field('shape', 'fillPen'), painter.fillPenShape.name);
  assert.equal(await field('shape', 'outlinePen'), painter.outlinePenShape.name);
  assert.equal(await field('width', 'outlinePen'), String(painter.outlinePen.width));
  assert.equal(await field('density', 'fillPen'), String(painter.fillPen.density));
  assert.equal(await field('memo'), painter.memo);
  assert.equal(await field('diagnosis'), painter.diagnosis);
  // The pen pictures are drawn (not left blank).
  const inked = await page.evaluate(() => [...document.querySelectorAll('#properties-body canvas')].map((c) =>
    c.getContext('2d').getImageData(0, 0, 50, 50).data.some((v, i) => i % 4 !== 3 && v !== 0)));
  assert.deepEqual(inked, [true, true]);

  await drop(page, [sample('kirakira.itm')]);
  const item = zavikInfo(sample('kirakira.itm')).item;
  assert.equal(await field('name'), item.name);
  assert.equal(await field('explanation'), item.explanation);

  await drop(page, [sample('landscape.jpg')]);
  assert.equal(await field('size'), '幅：640, 高さ：480');
  assert.equal(await page.textContent('#properties-title'), 'プロパティ');

  // The canvas with its painter, as the screenshot kept by the test run.
  await drop(page, [sample('sunset.cnv'), sample('hanako.esi')]);
  assert.equal(await page.textContent('#status'), '絵師：花子, 幅：320, 高さ：240');
  await page.screenshot({ path: join(PAGE_DIR, 'screenshot.png') });
  await page.keyboard.press('ArrowRight');
  await page.waitForFunction(() => document.querySelector('#properties-body [data-field="memo"]'));
  await page.screenshot({ path: join(PAGE_DIR, 'screenshot-painter.png') });
  await page.close();
});

test('a cut canvas, a text file and other bad files show the viewer\'s messages in the page\'s dialog', async () => {
  const page = await openPage(browser);
  const canvas = readFileSync(sample('sunset.cnv'));
  const cut = join(scratch, 'cut.cnv');
  writeFileSync(cut, canvas.subarray(0, canvas.length >> 1));
  const text = join(scratch, 'notes.txt');
  writeFileSync(text, 'not a picture\n');
  const empty = join(scratch, 'empty.esi');   // dispatched as a painter: its header stays the default
  writeFileSync(empty, '');
  const noise = join(scratch, 'noise.jpg');
  writeFileSync(noise, Buffer.from(Array.from({ length: 4096 }, (_, i) => (i * 7919) & 0xff)));
  // A BMP header claiming 100000 x 100000 pixels: refused before any allocation.
  const huge = Buffer.alloc(54);
  huge.write('BM', 0);
  huge.writeUInt32LE(54, 10);
  huge.writeUInt32LE(40, 14);
  huge.writeInt32LE(100000, 18);
  huge.writeInt32LE(100000, 22);
  huge.writeUInt16LE(1, 26);
  huge.writeUInt16LE(24, 28);
  const hugeFile = join(scratch, 'huge.bmp');
  writeFileSync(hugeFile, huge);
  for (const file of [cut, text, empty, noise, hugeFile]) {
    const expected = zavikInfo(file).messages;
    assert.ok(expected.length > 0);
    const before = await page.evaluate(() => window.zavikPage.messageLog.length);
    await drop(page, [file]);
    const shown = await page.evaluate((n) => window.zavikPage.messageLog.slice(n), before);
    assert.deepEqual(shown.map((m) => m.text), expected, file);
    // The first box is open with its caption and text.
    assert.equal(await page.textContent('#message-caption'), shown[0].caption);
    assert.equal(await page.textContent('#message-text'), shown[0].text);
    for (let i = 0; i < shown.length; ++i) await page.click('#message-ok');
    assert.equal(await page.evaluate(() => document.getElementById('message').open), false);
  }
  assert.deepEqual((await page.evaluate(() => window.zavikPage.messageLog))[zavikInfo(cut).messages.length],
                   { text: 'ファイルの読み込みに失敗しました。未対応のファイルです。', caption: '失敗' });
  // After all of them the page still opens a picture.
  await drop(page, [sample('landscape.jpg')]);
  assertSamePixels(await viewPixels(page), bmpPixels(zavik(['render', sample('landscape.jpg')], 'view.bmp')), 'after bad files');
  await page.close();
});

test('the page opened from disk works too', async () => {
  const page = await openPage(browser, `file://${PAGE_DIR}/index.html`);
  const file = join(scratch, 'landscape.jpg');
  copyFileSync(sample('landscape.jpg'), file);
  await drop(page, [file]);
  assertSamePixels(await viewPixels(page), bmpPixels(zavik(['render', file], 'view.bmp')), 'from disk');
  await page.close();
});

test('no request left the page\'s own files', () => {
  const foreign = browser.requests.filter((url) =>
    !url.startsWith(`${browser.origin}/`) && !url.startsWith('blob:') && !url.startsWith('data:') &&
    url !== `file://${PAGE_DIR}/index.html`);
  assert.deepEqual(foreign, []);
  assert.ok(browser.requests.length > 0);
});
