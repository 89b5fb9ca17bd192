// The page's figures for scripts/bench, as one JSON line:
//   node tests/web/bench.mjs PHOTO_24MP.jpg DRAWING_12MP.jpg CANVAS_36MB.cnv PICTURE_256MiB
// Opening: from the drop to the picture drawn (median of 5). Zoom, separation
// and recolouring on the 12 MP picture: from the input event to the view
// drawn again (median of 5, 3, 3).
// The 256 MiB picture: whether it opens (its size, no message).
// The painting's read alone: the dropped file read whole in a worker, as the
// page's worker reads it (median of 5), the floor of the page's open that no
// decoder can lower.
import { drop, openPage, startBrowser } from './browser.mjs';

const [photo, drawing, canvas, largest] = process.argv.slice(2);
const median = (values) => values.sort((a, b) => a - b)[values.length >> 1];

// From the user's input (the click or the choice, as the page receives it)
// to the view drawn again.
async function timedChange(page, act) {
  const views = await page.evaluate(() => {
    const mark = () => { window.zavikPage.inputAt = performance.now(); };
    document.addEventListener('click', mark, { capture: true, once: true });
    document.addEventListener('change', mark, { capture: true, once: true });
    return window.zavikPage.views;
  });
  await act();
  await page.waitForFunction((n) => window.zavikPage.views > n, views, { timeout: 60000 });
  return page.evaluate(() => window.zavikPage.shownAt - window.zavikPage.inputAt);
}

// Milliseconds for a worker of the page to read the file whole
// (File.arrayBuffer, as the page's worker does), median of 5.
async function readTime(page, file) {
  const input = await page.evaluateHandle(() => {
    const element = document.createElement('input');
    element.type = 'file';
    element.hidden = true;
    document.body.append(element);
    return element;
  });
  await input.setInputFiles([file]);
  return page.evaluate(async (element) => {
    const source = 'onmessage = async (e) => { const t = performance.now(); await e.data.arrayBuffer(); ' +
                   'postMessage(performance.now() - t); };';
    const reader = new Worker(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })));
    const times = [];
    for (let i = 0; i < 5; ++i) {
      times.push(await new Promise((resolve) => {
        reader.onmessage = (event) => resolve(event.data);
        reader.postMessage(element.files[0]);
      }));
    }
    reader.terminate();
    element.remove();
    return times.sort((a, b) => a - b)[2];
  }, input);
}

const browser = await startBrowser();
const figures = {};
try {
  const page = await openPage(browser);
  for (const [key, file] of [['photoOpenMs', photo], ['canvasOpenMs', canvas]]) {
    const times = [];
    for (let i = 0; i < 6; ++i) times.push(await drop(page, [file]));
    figures[key] = median(times.slice(1));   // the first run warms the worker up
  }
  figures.canvasReadMs = await readTime(page, canvas);

  await drop(page, [drawing]);
  const zooms = [];
  for (const percent of ['90', '100', '90', '100', '90']) {
    zooms.push(await timedChange(page, () => page.selectOption('#zoom', percent)));
  }
  figures.zoomMs = median(zooms);
  const separations = [];
  for (let i = 0; i < 3; ++i) {
    await drop(page, [drawing]);
    separations.push(await timedChange(page, () => page.click('#transparency-ok')));
  }
  figures.separationMs = median(separations);
  const recolourings = [];
  for (const colour of ['#203080', '#802030', '#208030']) {
    await page.evaluate((c) => { document.getElementById('pen-colour').value = c; }, colour);
    recolourings.push(await timedChange(page, () => page.click('#colours-ok')));
  }
  figures.recolourMs = median(recolourings);
  await page.close();

  // A fresh page for the largest picture, so that nothing before it counts.
  const big = await openPage(browser);
  figures.largestOpenMs = await drop(big, [largest]);
  const state = await big.evaluate(() => window.zavikPage.state);
  figures.largestSize = `${state.width} x ${state.height}`;
  figures.largestMessages = (await big.evaluate(() => window.zavikPage.messageLog)).map((m) => m.text);
  await big.close();
} finally {
  await browser.close();
}
console.log(JSON.stringify(figures));
