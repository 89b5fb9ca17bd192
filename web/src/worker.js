// The page's worker: runs the core (createZavikCore, put before this file by
// the page build) so that a large file decodes without stopping the page.
// Each request {id, op, viewport, ...} gets one answer {id, ok, ...}. The
// view is drawn here into the page's canvas; the properties' pictures and
// saved files travel as transferred ArrayBuffers.
'use strict';

const FOLDER = '/in';     // the dropped files, under their own names
const OUTPUT = '/out';    // saved files, read back and removed at once

let core = null;
const ready = createZavikCore().then((module) => {
  core = module;
  core.FS.mkdir(FOLDER);
  core.FS.mkdir(OUTPUT);
  // The files are opened by their bare names, so that titles and messages
  // show them as the viewer does and a canvas finds a painter file dropped
  // with it.
  core.FS.chdir(FOLDER);
  const c = (name, ret, args) => core.cwrap(name, ret, args);
  core.api = {
    open: c('zv_open', 'number', ['string']),
    setZoom: c('zv_set_zoom', 'number', ['number']),
    render: c('zv_render', 'number', []),
    renderPicture: c('zv_render_picture', 'number', ['number']),
    pixels: c('zv_pixels', 'number', ['number']),
    pixelsWidth: c('zv_pixels_width', 'number', ['number']),
    pixelsHeight: c('zv_pixels_height', 'number', ['number']),
    proposeColours: c('zv_propose_colours', null, []),
    swapColours: c('zv_swap_colours', null, []),
    applyTransparency: c('zv_apply_transparency', 'number', ['number']),
    applyColours: c('zv_apply_colours', 'number', ['number', 'number', 'number']),
    save: c('zv_save', 'number', ['number', 'string']),
    state: c('zv_state', 'string', []),
    properties: c('zv_properties', 'string', []),
  };
});

// The view's canvas, handed over by the page. It covers only the visible part
// of the view (the page scrolls a spacer of the view's size and keeps the
// canvas in sight), so a redraw moves no more pixels than the screen shows,
// whatever the picture's size: the worker copies that window of the core's
// last view straight from the core's memory.
let viewCanvas = null;
let viewContext = null;
let viewport = { x: 0, y: 0, width: 0, height: 0 };   // the visible part, from the page

// The properties' last picture, copied out of the core's memory.
function takePicture(transfer) {
  const width = core.api.pixelsWidth(1);
  const height = core.api.pixelsHeight(1);
  const pointer = core.api.pixels(1);
  const pixels = core.HEAPU8.slice(pointer, pointer + width * height * 4).buffer;
  transfer.push(pixels);
  return { width, height, pixels };
}

// The visible window of the view: its place in the view and its size.
function visibleWindow() {
  const width = core.api.pixelsWidth(0);
  const height = core.api.pixelsHeight(0);
  const w = Math.max(0, Math.min(viewport.width, width));
  const h = Math.max(0, Math.min(viewport.height, height));
  const x = Math.max(0, Math.min(viewport.x, width - w));
  const y = Math.max(0, Math.min(viewport.y, height - h));
  return { x, y, w, h, width, height };
}

// Draws the visible window of the core's last view; returns the view's size.
function paint() {
  const { x, y, w, h, width, height } = visibleWindow();
  if (viewCanvas.width !== w) viewCanvas.width = w;
  if (viewCanvas.height !== h) viewCanvas.height = h;
  if (w > 0 && h > 0) {
    const pixels = new Uint8ClampedArray(core.HEAPU8.buffer, core.api.pixels(0), width * height * 4);
    viewContext.putImageData(new ImageData(pixels, width, height), -x, -y, x, y, w, h);
  }
  return { width, height, x, y };
}

// Makes what the window shows and draws its visible part.
function view() {
  return core.api.render() === 0 ? paint() : null;
}

function state() {
  return JSON.parse(core.api.state());
}

function removeAll(folder) {
  for (const name of core.FS.readdir(folder)) {
    if (name !== '.' && name !== '..') core.FS.unlink(`${folder}/${name}`);
  }
}

const operations = {
  canvas({ canvas }) {
    viewCanvas = canvas;
    viewContext = canvas.getContext('2d', { alpha: false });
    return {};
  },
  // Scrolling or a new window size: the visible part again.
  paint() {
    return { view: paint() };
  },
  // For the tests: the whole view as the core made it, and the visible window
  // as the canvas holds it, with its place.
  readView(_, transfer) {
    const width = core.api.pixelsWidth(0);
    const height = core.api.pixelsHeight(0);
    const pointer = core.api.pixels(0);
    const pixels = core.HEAPU8.slice(pointer, pointer + width * height * 4).buffer;
    const { x, y, w, h } = visibleWindow();
    const shown = w && h ? viewContext.getImageData(0, 0, w, h).data.buffer : new ArrayBuffer(0);
    transfer.push(pixels, shown);
    return { width, height, pixels, shown: { x, y, width: w, height: h, pixels: shown } };
  },
  // The files of one drop or choice replace those of the last one. The file
  // system keeps each file's bytes as read (canOwn): no second copy.
  async files({ files }) {
    removeAll(FOLDER);
    for (const file of files) {
      const bytes = new Uint8Array(await file.arrayBuffer());
      core.FS.writeFile(`${FOLDER}/${file.name}`, bytes, { canOwn: true });
    }
    return {};
  },
  // Opening by content, as a drop on the window does.
  open({ name }) {
    const result = core.api.open(name);
    return { result, state: state(), view: view() };
  },
  // The transparency dialog's proposal follows the new picture, as the
  // dialog scans the picture it opens on (asked after the view is shown).
  propose() {
    core.api.proposeColours();
    return { state: state() };
  },
  zoom({ percent }) {
    core.api.setZoom(percent);
    return { state: state(), view: view() };
  },
  swap() {
    core.api.swapColours();
    return { state: state() };
  },
  transparency({ tolerance }) {
    core.api.applyTransparency(tolerance);
    return { state: state(), view: view() };
  },
  colours({ pen, background, transparent }) {
    core.api.applyColours(pen, background, transparent ? 1 : 0);
    return { state: state(), view: view() };
  },
  properties(_, transfer) {
    const properties = JSON.parse(core.api.properties());
    const pictures = {};
    const wanted = properties.kind === 2 ? [0, 1] : properties.kind === 3 || properties.kind === 4 ? [2] : [];
    for (const which of wanted) {
      if (core.api.renderPicture(which) === 0) pictures[which] = takePicture(transfer);
    }
    return { properties, pictures, state: state() };
  },
  save({ filterIndex, name }) {
    const path = `${OUTPUT}/${name}`;
    const result = core.api.save(filterIndex, path);
    let bytes = null;
    if (result === 0) {
      bytes = core.FS.readFile(path).buffer;
      core.FS.unlink(path);
    }
    return { result, bytes, state: state() };
  },
};

self.onmessage = async (event) => {
  const { id, op } = event.data;
  if (event.data.viewport) viewport = event.data.viewport;
  try {
    await ready;
    const transfer = [];
    const start = performance.now();
    const answer = await operations[op](event.data, transfer);
    answer.workerMs = performance.now() - start;   // for the benchmark
    if (answer.bytes) transfer.push(answer.bytes);
    self.postMessage({ id, ok: true, ...answer }, transfer);
  } catch (error) {
    self.postMessage({ id, ok: false, error: String(error && error.stack || error) });
  }
};
