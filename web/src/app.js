// The page: files in by drop or choice, the view, the colour settings, the
// properties and Save, all computed by the core in a worker; this script only
// moves pixels and texts between the core and the page.

const $ = (id) => document.getElementById(id);
const ZOOM_STEPS = [100, 90, 80, 70, 60, 50, 40, 30, 20, 10];
const SAVE_EXTENSIONS = { 1: '.jpg', 2: '.bmp', 3: '.png' };
const MIME = { 1: 'image/jpeg', 2: 'image/bmp', 3: 'image/png' };

// ------------------------------------------------------------------ the worker
// The worker's script travels inside the page (base64), because a page opened
// from disk may not load one from a file beside it.
const workerSource = atob($('worker-source').textContent);
const workerBytes = Uint8Array.from(workerSource, (c) => c.charCodeAt(0));
const worker = new Worker(URL.createObjectURL(new Blob([workerBytes], { type: 'text/javascript' })));
const pending = new Map();
let nextId = 1;
worker.onmessage = (event) => {
  const { id } = event.data;
  const entry = pending.get(id);
  page.workerMs = event.data.workerMs;
  pending.delete(id);
  if (event.data.ok) entry.resolve(event.data);
  else entry.reject(new Error(event.data.error));
};
function ask(op, args = {}, transfer = []) {
  const id = nextId++;
  return new Promise((resolve, reject) => {
    pending.set(id, { resolve, reject });
    worker.postMessage({ id, op, viewport: visibleArea(), ...args }, transfer);
  });
}
// One request at a time, in order: every change works on the result of the
// one before, as the viewer's commands do.
let queue = Promise.resolve();
function run(task) {
  const result = queue.then(task);
  queue = result.catch((error) => console.error(error));
  return result;
}

// ------------------------------------------------------------------- page state
const page = {
  files: [],        // the files of the last drop or choice
  index: -1,        // the one shown
  state: null,      // the core's last state (zv_state)
  shownAt: 0,       // performance.now() when the view was last drawn
  views: 0,         // how many times the view was drawn
  opens: 0,         // how many opens ran to their end (properties shown)
  messageLog: [],   // every message shown, {text, caption}
};
window.zavikPage = page;   // read by the tests and the benchmark

// --------------------------------------------------------------------- messages
// The boxes the viewer would show, one after the other, with their captions.
const messages = [];
let messageShowing = false;
function showMessages(state) {
  for (let i = 0; i < state.messages.length; ++i) {
    const message = { text: state.messages[i], caption: state.captions[i] };
    messages.push(message);
    page.messageLog.push(message);
  }
  showNextMessage();
}
function showNextMessage() {
  if (messageShowing || messages.length === 0) return;
  const { text, caption } = messages.shift();
  messageShowing = true;
  $('message-caption').textContent = caption;
  $('message-text').textContent = text;
  $('message').showModal();
}
$('message').addEventListener('close', () => {
  messageShowing = false;
  showNextMessage();
});

// ------------------------------------------------------------------------ view
// The worker draws the view into the canvas itself: the pixels of a large
// picture never cross between the threads. The canvas covers the visible
// part of the view only; the spacer gives the view area the view's size to
// scroll over, and the canvas is kept where the scrolled area shows it.
const view = $('view');
const canvas = $('picture');
const spacer = $('spacer');
const offscreen = canvas.transferControlToOffscreen();
// A browser that cannot run the core (no WebAssembly SIMD, no OffscreenCanvas)
// is told so once, rather than ignoring every file in silence.
const cannotRun = () => showMessages({ messages: ['このブラウザーでは zavik view を動かせません。'], captions: ['失敗'] });
run(() => ask('canvas', { canvas: offscreen }, [offscreen])).catch(cannotRun);
worker.addEventListener('error', cannotRun);
function visibleArea() {
  return { x: view.scrollLeft, y: view.scrollTop, width: view.clientWidth, height: view.clientHeight };
}
function draw(shown) {
  if (!shown) return;
  spacer.style.width = `${shown.width}px`;
  spacer.style.height = `${shown.height}px`;
  canvas.style.left = `${shown.x}px`;
  canvas.style.top = `${shown.y}px`;
  page.shownAt = performance.now();
  page.views += 1;
}
// Scrolling and resizing draw the part that comes into sight, once a frame.
let paintPending = false;
function repaint() {
  if (paintPending) return;
  paintPending = true;
  requestAnimationFrame(() => run(async () => {
    paintPending = false;
    draw((await ask('paint')).view);
  }));
}
view.addEventListener('scroll', repaint);
window.addEventListener('resize', repaint);
// The view's pixels as its canvas holds them: {width, height, pixels}.
page.readView = () => run(() => ask('readView'));

const hexToPacked = (hex) => {
  const v = parseInt(hex.slice(1), 16);
  return ((v >> 16) & 0xff) | (v & 0xff00) | ((v & 0xff) << 16);
};

function applyState(state) {
  page.state = state;
  document.title = state.title || 'zavik view';
  $('status').textContent = page.files.length ? state.status : '';
  $('hint').classList.toggle('hidden', state.width > 0);
  $('working-pen').style.background = state.workingPen;
  $('working-background').style.background = state.workingBackground;
  showMessages(state);
}

// The colour dialog shows the stored colours and mode whenever it is reset.
function resetColourPanel() {
  const state = page.state;
  if (!state) return;
  $('pen-colour').value = state.penColour.toLowerCase();
  $('background-colour').value = state.backgroundColour.toLowerCase();
  $(state.backgroundMode === 0 ? 'mode-transparent' : 'mode-fill').checked = true;
}

// "Fit to window": the largest zoom step at which the picture fits the view.
function fittingZoom() {
  const state = page.state;
  const area = $('view');
  if (!state || state.width === 0) return 100;
  for (const percent of ZOOM_STEPS) {
    const factor = Math.fround(percent / 100);
    if (Math.trunc(state.width * factor) <= area.clientWidth && Math.trunc(state.height * factor) <= area.clientHeight) {
      return percent;
    }
  }
  return 10;
}

function wantedZoom() {
  return $('fit').checked ? fittingZoom() : Number($('zoom').value);
}

async function setZoom(percent) {
  $('zoom').value = String(percent);
  const answer = await ask('zoom', { percent });
  applyState(answer.state);
  draw(answer.view);
}

// ------------------------------------------------------------------ properties
function fillFields(elements, values) {
  for (const element of elements) {
    const value = values ? values[element.dataset.field] : undefined;
    element.textContent = value == null ? '' : String(value);
  }
}

async function showProperties() {
  const answer = await ask('properties');
  const { properties, pictures } = answer;
  const body = $('properties-body');
  body.replaceChildren();
  const template = { 2: 'painter-template', 3: 'item-template', 4: 'item-template', 5: 'size-template' }[properties.kind];
  if (template && (properties.kind !== 3 && properties.kind !== 4 || properties.name !== undefined)) {
    body.append($(template).content.cloneNode(true));
    // Each pen of a painter: its picture and its five fields.
    for (const pen of body.querySelectorAll('[data-pen]')) {
      pen.append($('pen-template').content.cloneNode(true));
      fillFields(pen.querySelectorAll('[data-field]'), properties[pen.dataset.pen]);
    }
    fillFields(body.querySelectorAll('[data-field]:not([data-pen] [data-field])'), properties);
    for (const holder of body.querySelectorAll('[data-picture]')) {
      const p = pictures[holder.dataset.picture];
      const picture = holder.querySelector('canvas');
      if (p && p.width > 0) {
        picture.width = p.width;
        picture.height = p.height;
        picture.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(p.pixels), p.width, p.height), 0, 0);
      }
    }
  }
  applyState(answer.state);
}

// The transparency dialog scans the picture each time it opens; the panel is
// always open, so it scans whenever the picture has changed (after the view
// is shown, so that the scan never delays it).
async function propose() {
  applyState((await ask('propose')).state);
}

// ------------------------------------------------------------------------ open
async function openIndex(index) {
  page.index = index;
  const file = page.files[index];
  $('position').textContent = page.files.length > 1 ? `${index + 1} / ${page.files.length}` : '';
  const answer = await ask('open', { name: file.name });
  applyState(answer.state);
  resetColourPanel();
  if ($('fit').checked && answer.state.width > 0 && fittingZoom() !== answer.state.zoomPercent) {
    await setZoom(fittingZoom());
  } else {
    draw(answer.view);
  }
  await propose();
  await showProperties();
  page.opens += 1;
}

function openFiles(fileList) {
  const files = Array.from(fileList);
  if (files.length === 0) return Promise.resolve();
  return run(async () => {
    page.files = files;
    try {
      await ask('files', { files });
    } catch (error) {
      // A file the browser cannot read (a folder, a file gone meanwhile):
      // the viewer's words for a file that did not load; nothing else changes.
      console.error(error);
      page.files = [];
      showMessages({ messages: ['ファイルの読み込みに失敗しました。'], captions: ['失敗'] });
      return;
    }
    await openIndex(0);
  });
}

function step(delta) {
  if (page.files.length < 2) return;
  const index = (page.index + delta + page.files.length) % page.files.length;
  run(() => openIndex(index));
}

// ---------------------------------------------------------------------- events
for (const type of ['dragenter', 'dragover']) {
  view.addEventListener(type, (event) => {
    event.preventDefault();
    view.classList.add('dragging');
  });
}
view.addEventListener('dragleave', () => view.classList.remove('dragging'));
view.addEventListener('drop', (event) => {
  event.preventDefault();
  view.classList.remove('dragging');
  page.droppedAt = performance.now();
  openFiles(event.dataTransfer.files);
});
// A drop beside the view must not make the browser open the file itself.
document.addEventListener('dragover', (event) => event.preventDefault());
document.addEventListener('drop', (event) => event.preventDefault());

$('open').addEventListener('change', (event) => {
  openFiles(event.target.files);
  event.target.value = '';
});
$('previous').addEventListener('click', () => step(-1));
$('next').addEventListener('click', () => step(1));
document.addEventListener('keydown', (event) => {
  if (event.target instanceof HTMLInputElement || event.target instanceof HTMLSelectElement) return;
  if (event.key === 'ArrowLeft') step(-1);
  if (event.key === 'ArrowRight') step(1);
});

$('zoom').addEventListener('change', () => {
  $('fit').checked = false;
  run(() => setZoom(Number($('zoom').value)));
});
$('fit').addEventListener('change', () => run(() => setZoom(wantedZoom())));
window.addEventListener('resize', () => {
  if ($('fit').checked && page.state && fittingZoom() !== page.state.zoomPercent) run(() => setZoom(fittingZoom()));
});

$('swap').addEventListener('click', () => run(async () => applyState((await ask('swap')).state)));
$('transparency-ok').addEventListener('click', () => run(async () => {
  // The edit is read as an unsigned number; text that is not one gives 0.
  const text = $('tolerance').value.trim();
  const tolerance = /^[0-9]+$/.test(text) ? Math.min(Number(text), 0xffffffff) : 0;
  const answer = await ask('transparency', { tolerance });
  applyState(answer.state);
  resetColourPanel();
  draw(answer.view);
  await propose();
}));
$('colours-ok').addEventListener('click', () => run(async () => {
  const answer = await ask('colours', {
    pen: hexToPacked($('pen-colour').value),
    background: hexToPacked($('background-colour').value),
    transparent: $('mode-transparent').checked,
  });
  applyState(answer.state);
  draw(answer.view);
  await propose();
}));
$('colours-cancel').addEventListener('click', resetColourPanel);

$('save').addEventListener('click', () => run(async () => {
  const filterIndex = Number($('save-format').value);
  const opened = page.files[page.index];
  const base = opened ? opened.name.replace(/\.[^.]*$/, '') || opened.name : 'zavik';
  const name = base + SAVE_EXTENSIONS[filterIndex];
  const answer = await ask('save', { filterIndex, name });
  applyState(answer.state);
  if (answer.bytes) {
    const url = URL.createObjectURL(new Blob([answer.bytes], { type: MIME[filterIndex] }));
    const link = document.createElement('a');
    link.href = url;
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  }
}));
