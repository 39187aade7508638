// The page: its controls become a rastova-convert command line, which the worker runs on the
// font file the user chose. Every message shown is the command line's own standard error.
import {drawSample, parseBdf} from './sample.js';
import {formatControls, normalizeFormats} from './formats.js';

const $ = (id) => document.getElementById(id);

// Names the runs write in the worker's folder.
const kSheet = 'rastova-preview.png';
const kSheetOutput = 'rastova-preview.out';
const kSample = 'rastova-sample.bdf';
// A conversion shows its progress and Cancel once it has taken this long.
const kShowProgressAfterMs = 150;

const state = {
    formats: null, // normalizeFormats(...)
    font: null,    // {name, bytes: ArrayBuffer}
    worker: null,
    ready: null,   // resolves when the worker's module is loaded
    nextId: 1,
    pending: new Map(), // run id -> {resolve, onProgress}
    running: false,
    downloadUrl: null,
    sheetUrl: null,
    sheetArgs: null, // the last conversion's command line, without --preview and --zoom
    zoomTimer: null,
    outputText: null,
};

// --- the worker --------------------------------------------------------------------------

function startWorker() {
    // The first worker was started by start.js, as the page began to load.
    const worker = self.rastovaWorker ?? new Worker('worker.js');
    self.rastovaWorker = null;
    state.worker = worker;
    state.ready = new Promise((resolve, reject) => {
        worker.onmessage = (event) => {
            const message = event.data;
            if (message.type === 'ready') {
                resolve(message.formats);
            } else if (message.type === 'failed') {
                reject(new Error(message.message));
            } else if (message.type === 'warm') {
                // The worker has run the font a few times over: conversions are fast from now.
                $('controls').dataset.warmFont = message.name;
            } else if (message.type === 'progress') {
                state.pending.get(message.id)?.onProgress(message.done, message.total);
            } else if (message.type === 'result') {
                const run = state.pending.get(message.id);
                state.pending.delete(message.id);
                run?.resolve(message);
            }
        };
        worker.onerror = (event) => reject(new Error(event.message || 'the converter failed to load'));
    });
    worker.postMessage({type: 'hello'});
    if (state.font) {
        worker.postMessage({type: 'font', name: state.font.name, bytes: state.font.bytes});
    }
    return state.ready;
}

// Stops whatever the worker is doing and starts a fresh one; runs still waiting get `reason`.
function restartWorker(reason) {
    state.worker.terminate();
    for (const run of state.pending.values()) {
        run.resolve({cancelled: reason});
    }
    state.pending.clear();
    startWorker().catch(showLoadFailure);
}

function runInWorker(args, read, onProgress = () => {}) {
    const id = state.nextId++;
    return new Promise((resolve) => {
        state.pending.set(id, {resolve, onProgress});
        state.worker.postMessage({type: 'run', id, args, read});
    });
}

// --- messages ----------------------------------------------------------------------------

function showMessage(text, isError) {
    const box = $('messages');
    box.textContent = text;
    box.classList.toggle('error', Boolean(isError));
}

function showLoadFailure(error) {
    showMessage('The converter could not be loaded: ' + error.message, true);
    $('convert').disabled = true;
}

// --- the command line --------------------------------------------------------------------

// The extension of the file the format writes, from its traits.
function outputExtension(format, cArray) {
    if ((format.binaryUnlessArray && !cArray) || format.arrayName === 'font-name') {
        return format.name;
    }
    if (format.arrayName === 'tables' && !cArray) {
        return 'txt';
    }
    return 'h';
}

function outputName(format, cArray) {
    const stem = state.font.name.replace(/\.[^.]*$/, '') || 'font';
    let name = stem + '.' + outputExtension(format, cArray);
    if (name === state.font.name) {
        name = stem + '-' + format.name + '.' + outputExtension(format, cArray);
    }
    return name;
}

// The options every run shares: the font, its size and style.
function fontArgs() {
    const args = ['--font-file', state.font.name, '--size', $('size').value.trim()];
    if ($('bold').checked) args.push('--bold');
    if ($('italic').checked) args.push('--italic');
    if ($('hinting').value) args.push('--hinting', $('hinting').value);
    return args;
}

// The command line the controls say, as a user would type it; `output` is its -o file, after
// any `extra` options.
function commandArgs(format, output, extra = []) {
    const args = [...fontArgs(), '--format', format.name];
    for (const control of document.querySelectorAll('#format-options [data-option]')) {
        if (control.type === 'checkbox') {
            if (control.checked) args.push(control.dataset.option);
        } else if (control.value !== '' && control.value !== control.dataset.default) {
            args.push(control.dataset.option, control.value.trim());
        }
    }
    const words = [['--c-array', 'c-array'], ['--max-output', 'max-output'], ['--set', 'set'],
                   ['--range', 'range']];
    for (const [option, id] of words) {
        const value = $(id).value.trim();
        if (value !== '') args.push(option, value);
    }
    args.push(...extra, '-o', output);
    const text = $('characters').value;
    if (text !== '') args.push('--', text);
    return args;
}

// How a shell would take `args`: each word quoted where it needs to be.
function shellLine(args) {
    const quote = (word) => /^[\w@%+=:,./-]+$/u.test(word) ? word : "'" + word.replace(/'/g, "'\\''") + "'";
    return ['rastova-convert', ...args].map(quote).join(' ');
}

// --- converting --------------------------------------------------------------------------

function setRunning(running) {
    state.running = running;
    $('controls').setAttribute('aria-busy', String(running));
    $('convert').disabled = running || !state.font || !state.formats;
    $('cancel').hidden = true;
    $('progress').hidden = true;
}

function clearResult() {
    for (const key of ['downloadUrl', 'sheetUrl']) {
        if (state[key]) URL.revokeObjectURL(state[key]);
        state[key] = null;
    }
    state.outputText = null;
    state.sheetArgs = null;
    $('download').hidden = true;
    $('copy').hidden = true;
    $('result').hidden = true;
}

function showProgress(done, total) {
    $('progress').max = Math.max(total, 1);
    $('progress').value = done;
    $('progress').hidden = false;
    $('cancel').hidden = false;
}

async function convert() {
    if (state.running || !state.font) return;
    const format = state.formats.byName.get($('format').value);
    const cArray = $('c-array').value.trim();
    const output = outputName(format, cArray);
    const args = commandArgs(format, output);
    clearResult();
    setRunning(true);
    showMessage('Converting…', false);
    $('command').textContent = shellLine(args);
    try {
        await convertAndShow(format, cArray, output, args);
    } finally {
        setRunning(false);
    }
}

async function convertAndShow(format, cArray, output, args) {
    const started = performance.now();
    const showCancel = setTimeout(() => showProgress(0, 1), kShowProgressAfterMs);
    const result = await runInWorker(args, [output], (done, total) => {
        if (performance.now() - started >= kShowProgressAfterMs) showProgress(done, total);
    });
    clearTimeout(showCancel);
    $('progress').hidden = true;
    $('cancel').hidden = true;
    if (result.cancelled) {
        showMessage(result.cancelled, true);
        return;
    }
    if (result.crashed) restartWorker('');
    const bytes = result.files[output];
    showMessage(result.stderr.replace(/\n$/, '') ||
                    `${output}: ${bytes ? bytes.length : 0} bytes written`,
                result.code !== 0);
    if (result.code === 2 || !bytes) return;
    offerDownload(output, bytes, format, cArray);
    state.sheetArgs = commandArgs(format, kSheetOutput);
    await drawSampleLine();
    await drawSheet();
    $('result').hidden = false;
    applyZoom();
}

function offerDownload(name, bytes, format, cArray) {
    state.downloadUrl = URL.createObjectURL(new Blob([bytes], {type: 'application/octet-stream'}));
    const link = $('download');
    link.href = state.downloadUrl;
    link.download = name;
    link.textContent = 'Download ' + name;
    link.hidden = false;
    const binary = format.binaryUnlessArray && !cArray;
    state.outputText = binary ? null : new TextDecoder().decode(bytes);
    $('copy').hidden = binary;
}

// The picture of the converted set, as --preview draws it at the zoom chosen: the same run
// again, with the picture.
async function drawSheet() {
    const args = [...state.sheetArgs];
    args.splice(args.indexOf('-o'), 0, '--preview', kSheet, '--zoom', $('zoom').value);
    const result = await runInWorker(args, [kSheet, kSheetOutput]);
    const bytes = result.files?.[kSheet];
    if (state.sheetUrl) URL.revokeObjectURL(state.sheetUrl);
    state.sheetUrl = bytes ? URL.createObjectURL(new Blob([bytes], {type: 'image/png'})) : null;
    $('sheet').hidden = !bytes;
    if (bytes) $('sheet').src = state.sheetUrl;
}

// The sheet is drawn again at the new zoom once the slider rests; the sample line is scaled.
function zoomChanged() {
    applyZoom();
    clearTimeout(state.zoomTimer);
    state.zoomTimer = setTimeout(async () => {
        if (state.running || !state.sheetArgs) return;
        setRunning(true);
        try {
            await drawSheet();
        } finally {
            setRunning(false);
        }
    }, 200);
}

// The sample line: the text, converted to BDF with the same font, size and style, drawn glyph
// after glyph at the font's advances.
async function drawSampleLine() {
    const text = $('characters').value;
    const canvas = $('sample');
    if (text === '') {
        canvas.width = canvas.height = 0;
        return;
    }
    const result = await runInWorker([...fontArgs(), '--format', 'bdf', '-o', kSample, '--', text],
                                     [kSample]);
    const bytes = result.files?.[kSample];
    if (!bytes) {
        canvas.width = canvas.height = 0;
        return;
    }
    drawSample(canvas, parseBdf(new TextDecoder().decode(bytes)), text);
}

function applyZoom() {
    const zoom = Number($('zoom').value);
    $('zoom-value').textContent = zoom + '×';
    const canvas = $('sample');
    canvas.style.width = canvas.width * zoom + 'px';
    canvas.style.height = canvas.height * zoom + 'px';
}

function cancel() {
    if (!state.running) return;
    restartWorker('Cancelled: nothing was written.');
}

// --- the font file -----------------------------------------------------------------------

// A name the command line takes as a plain file name in its folder.
function safeFileName(name) {
    const cleaned = name.replace(/[/\\\0]/g, '_');
    return cleaned === '' || cleaned === '.' || cleaned === '..' ? 'font' : cleaned;
}

async function takeFont(file) {
    if (!file) return;
    const bytes = await file.arrayBuffer();
    state.font = {name: safeFileName(file.name), bytes};
    delete $('controls').dataset.warmFont;
    state.worker.postMessage({type: 'font', name: state.font.name, bytes});
    $('font-name').textContent = `${state.font.name}, ${bytes.byteLength} bytes`;
    clearResult();
    setRunning(false);
}

function acceptDrops() {
    const body = document.body;
    body.addEventListener('dragover', (event) => {
        event.preventDefault();
        body.classList.add('over');
    });
    body.addEventListener('dragleave', (event) => {
        if (event.target === body || !body.contains(event.relatedTarget)) body.classList.remove('over');
    });
    body.addEventListener('drop', (event) => {
        event.preventDefault();
        body.classList.remove('over');
        const file = event.dataTransfer?.files?.[0];
        if (file) takeFont(file);
    });
}

// --- set up ------------------------------------------------------------------------------

function showFormatOptions() {
    const format = state.formats.byName.get($('format').value);
    const fieldset = $('format-options');
    fieldset.replaceChildren(fieldset.querySelector('legend'), ...formatControls(format));
    fieldset.hidden = fieldset.children.length === 1;
}

function fillFormats(registry) {
    state.formats = normalizeFormats(registry);
    const select = $('format');
    select.replaceChildren(...state.formats.list.map((format) => {
        const option = document.createElement('option');
        option.value = format.name;
        option.textContent = format.name + ': ' + format.help.split('\n').join(' ');
        return option;
    }));
    select.value = state.formats.defaultName;
    select.disabled = false;
    showFormatOptions();
    setRunning(false);
}

function main() {
    $('controls').addEventListener('submit', (event) => {
        event.preventDefault();
        convert();
    });
    $('cancel').addEventListener('click', cancel);
    document.addEventListener('keydown', (event) => {
        if (event.key === 'Escape') cancel();
    });
    $('font-file').addEventListener('change', (event) => takeFont(event.target.files[0]));
    $('format').addEventListener('change', showFormatOptions);
    $('zoom').addEventListener('input', zoomChanged);
    $('copy').addEventListener('click', async () => {
        await navigator.clipboard.writeText(state.outputText ?? '');
        $('copy').textContent = 'Copied';
        setTimeout(() => { $('copy').textContent = 'Copy'; }, 1500);
    });
    acceptDrops();
    startWorker().then(fillFormats, showLoadFailure);
}

main();
