// The page's worker: runs the core (createZavikCore, put before this file by
// the page build) so that a large file decodes without stopping the page.
// Each request {id, op, ...} gets one answer {id, ok, ...}; pixels travel as
// transferred ArrayBuffers of RGBA rows.
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
    pixels: c('zv_pixels', 'number', []),
    pixelsWidth: c('zv_pixels_width', 'number', []),
    pixelsHeight: c('zv_pixels_height', 'number', []),
    proposeColours: c('zv_propose_colours', null, []),
    swapColours: c('zv_swap_colours', null, []),
    applyTransparency: c('zv_apply_transparency', 'number', ['number']),
    applyColours: c('zv_apply_colours', 'number', ['number', 'number', 'number']),
    save: c('zv_save', 'number', ['number', 'string']),
    state: c('zv_state', 'string', []),
    properties: c('zv_properties', 'string', []),
  };
});

// The view's canvas, handed over by the page: the worker draws the core's
// pixels into it straight from the core's memory, with no copy in between.
let viewCanvas = null;
let viewContext = null;

// The last pixels the core made, copied out of its memory.
function takePixels(transfer) {
  const width = core.api.pixelsWidth();
  const height = core.api.pixelsHeight();
  const pointer = core.api.pixels();
  const pixels = core.HEAPU8.slice(pointer, pointer + width * height * 4).buffer;
  transfer.push(pixels);
  return { width, height, pixels };
}

// Draws what the window shows into the view's canvas; returns its size.
function view() {
  if (core.api.render() !== 0) return null;
  const width = core.api.pixelsWidth();
  const height = core.api.pixelsHeight();
  if (viewCanvas.width !== width) viewCanvas.width = width;
  if (viewCanvas.height !== height) viewCanvas.height = height;
  if (width > 0 && height > 0) {
    const pixels = new Uint8ClampedArray(core.HEAPU8.buffer, core.api.pixels(), width * height * 4);
    viewContext.putImageData(new ImageData(pixels, width, height), 0, 0);
  }
  return { width, height };
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
  // The view's pixels as they are in its canvas (for the tests).
  readView(_, transfer) {
    const { width, height } = viewCanvas;
    const pixels = width && height ? viewContext.getImageData(0, 0, width, height).data.buffer : new ArrayBuffer(0);
    transfer.push(pixels);
    return { width, height, pixels };
  },
  // The files of one drop or choice replace those of the last one.
  files({ files }) {
    removeAll(FOLDER);
    const reader = new FileReaderSync();
    for (const file of files) {
      core.FS.writeFile(`${FOLDER}/${file.name}`, new Uint8Array(reader.readAsArrayBuffer(file)));
    }
    return {};
  },
  // Opening by content; the transparency dialog's proposal follows the new
  // picture, as the dialog scans the picture it opens on.
  open({ name }, transfer) {
    const result = core.api.open(name);
    core.api.proposeColours();
    return { result, state: state(), view: view(transfer) };
  },
  zoom({ percent }, transfer) {
    core.api.setZoom(percent);
    return { state: state(), view: view(transfer) };
  },
  swap() {
    core.api.swapColours();
    return { state: state() };
  },
  transparency({ tolerance }, transfer) {
    core.api.applyTransparency(tolerance);
    return { state: state(), view: view(transfer) };
  },
  colours({ pen, background, transparent }, transfer) {
    core.api.applyColours(pen, background, transparent ? 1 : 0);
    return { state: state(), view: view(transfer) };
  },
  properties(_, transfer) {
    const properties = JSON.parse(core.api.properties());
    const pictures = {};
    const wanted = properties.kind === 2 ? [0, 1] : properties.kind === 3 || properties.kind === 4 ? [2] : [];
    for (const which of wanted) {
      if (core.api.renderPicture(which) === 0) pictures[which] = takePixels(transfer);
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
  try {
    await ready;
    const transfer = [];
    const start = performance.now();
    const answer = operations[op](event.data, transfer);
    answer.workerMs = performance.now() - start;   // for the benchmark
    if (answer.bytes) transfer.push(answer.bytes);
    self.postMessage({ id, ok: true, ...answer }, transfer);
  } catch (error) {
    self.postMessage({ id, ok: false, error: String(error && error.stack || error) });
  }
};
