// The page: reads the chosen or dropped file, has the worker convert it,
// and shows the text, the download, the preview and what is not carried.
/* global TARNWICK_WORKER_SOURCE */
'use strict';

// A text longer than this is shown by its start; Copy and Download carry all.
const SHOWN_AT_MOST = 1000000;

const page = {
  file: document.getElementById('lottie-file'),
  composition: document.getElementById('composition'),
  everyFrame: document.getElementById('every-frame'),
  message: document.getElementById('message'),
  text: document.getElementById('settings-text'),
  copy: document.getElementById('copy'),
  download: document.getElementById('download'),
  preview: document.getElementById('preview'),
  notCarried: document.getElementById('not-carried'),
  notCarriedTitle: document.getElementById('not-carried-title'),
};

const worker = new Worker(URL.createObjectURL(
  new Blob([TARNWICK_WORKER_SOURCE], { type: 'text/javascript' })));

let current = { name: '', bytes: null };  // the file being converted
let converted = null;                     // the whole text, as bytes
let latest = 0;                           // the newest request: older answers are dropped
let urls = [];                            // blob URLs of what is shown

function say(line, problem) {
  page.message.textContent = line;
  page.message.classList.toggle('problem', problem);
}

// Nothing stale is shown as if new: the text, the download, the preview and
// the list go before each answer is shown.
function clearResult() {
  converted = null;
  page.text.value = '';
  page.copy.disabled = true;
  page.download.removeAttribute('href');
  page.download.removeAttribute('download');
  page.download.setAttribute('aria-disabled', 'true');
  page.preview.removeAttribute('src');
  page.notCarried.replaceChildren();
  page.notCarriedTitle.hidden = true;
  urls.forEach((url) => URL.revokeObjectURL(url));
  urls = [];
}

function blobUrl(parts, type) {
  const url = URL.createObjectURL(new Blob(parts, { type }));
  urls.push(url);
  return url;
}

function settingName(fileName) {
  return fileName.replace(/\.json$/i, '') + '.setting';
}

function fillCompositions(choicesJson) {
  if (!choicesJson) return;
  const wanted = page.composition.value;
  const options = JSON.parse(choicesJson).map((choice) => {
    const option = document.createElement('option');
    option.value = choice.id;
    const name = choice.name ? ` "${choice.name}"` : '';
    const what = choice.id === '' ? 'Main composition' : `Precomposition ${choice.id}`;
    option.textContent = `${what}${name} (${choice.masks} ${choice.masks === 1 ? 'mask' : 'masks'})`;
    return option;
  });
  page.composition.replaceChildren(...options);
  page.composition.value = options.some((option) => option.value === wanted) ? wanted : '';
  page.composition.disabled = false;
}

function show(answer) {
  clearResult();
  // Counts the answers shown, for scripts that drive the page.
  page.message.dataset.answers = String(Number(page.message.dataset.answers || 0) + 1);
  fillCompositions(answer.choices);
  if (answer.status !== 0) {
    say(answer.message, true);
    return;
  }
  converted = answer.text;
  const text = new TextDecoder().decode(converted.length > SHOWN_AT_MOST
    ? converted.subarray(0, SHOWN_AT_MOST) : converted);
  page.text.value = converted.length > SHOWN_AT_MOST
    ? `${text}\n... the whole text (${converted.length} bytes) is in Copy and Download.`
    : text;
  page.copy.disabled = false;
  page.download.href = blobUrl([converted], 'application/octet-stream');
  page.download.download = settingName(current.name);
  page.download.setAttribute('aria-disabled', 'false');
  page.preview.src = blobUrl([answer.preview], 'image/svg+xml');
  const notCarried = JSON.parse(answer.report).not_carried;
  page.notCarriedTitle.hidden = notCarried.length === 0;
  page.notCarried.replaceChildren(...notCarried.map((line) => {
    const item = document.createElement('li');
    item.textContent = line;
    return item;
  }));
  say(answer.message, false);
}

function convert() {
  if (!current.bytes) return;
  latest += 1;
  say(`Converting ${current.name} ...`, false);
  worker.postMessage({
    id: latest,
    bytes: current.bytes.slice(0),
    name: current.name,
    composition: page.composition.value,
    everyFrame: page.everyFrame.checked,
  });
}

worker.onmessage = (event) => {
  if (event.data.id === latest) show(event.data);
};
worker.onerror = (event) => {
  clearResult();
  say(`The converter stopped: ${event.message}`, true);
};

async function open(file) {
  if (!file) return;
  clearResult();
  current = { name: file.name, bytes: await file.arrayBuffer() };
  page.composition.replaceChildren(new Option('Main composition', ''));
  convert();
}

page.file.addEventListener('change', async () => {
  await open(page.file.files[0]);
  // The same file chosen again (exported anew) is read again.
  page.file.value = '';
});
page.composition.addEventListener('change', convert);
page.everyFrame.addEventListener('change', convert);

page.copy.addEventListener('click', async () => {
  if (!converted) return;
  const text = new TextDecoder().decode(converted);
  try {
    await navigator.clipboard.writeText(text);
    say(`${page.message.textContent.replace(/ Copied\.$/, '')} Copied.`, false);
  } catch (error) {
    say(`The clipboard refused the text (${error.message}); use Download instead.`, true);
  }
});

// The whole page takes a dropped file.
document.addEventListener('dragover', (event) => {
  event.preventDefault();
  document.body.classList.add('dragging');
});
document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
document.addEventListener('drop', (event) => {
  event.preventDefault();
  document.body.classList.remove('dragging');
  open(event.dataTransfer.files[0]);
});
