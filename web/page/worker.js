// Runs rastova-convert in this worker, away from the page's thread, so that a long conversion
// neither freezes the page nor outlives a Cancel: the page terminates the worker and starts a
// new one.
//
// Messages from the page:
//   {type: 'hello'}                  answered by 'ready' or 'failed' once the module is loaded:
//                                    the page may start listening after the worker has started
//   {type: 'font', name, bytes}      the font file, written into the working folder; then a
//                                    few conversions with it, unseen, so that the user's first
//                                    one runs code already compiled
//   {type: 'run', id, args, read}    runs the command line with `args` (without the program
//                                    name) and sends back the files named in `read` that exist
// Messages to the page:
//   {type: 'ready', formats}                     the module is loaded; its format registry
//   {type: 'warm', name}                         the runs after font `name` are done
//   {type: 'failed', message}                    the module could not be loaded
//   {type: 'progress', id, done, total}          glyphs drawn so far, at most every 50 ms
//   {type: 'result', id, code, stderr, files, crashed}
//                                                exit status, standard error, {path: bytes};
//                                                crashed: the module failed and is not reusable

const kFolder = '/work';
const kWarmOutput = 'rastova-warm.out';
// Rounds of warming runs: the browser compiles the module's code lazily and again, faster,
// once it is hot; a few runs of every format make the first real one fast.
const kWarmRounds = 3;
let rastova = null;
let formatNames = [];
let fontPath = null;
let current = 0;
let lastProgress = 0;

// The module's code, fetched and compiled while rastova.js loads.
const compiled = WebAssembly.compileStreaming
    ? WebAssembly.compileStreaming(fetch('rastova.wasm'))
    : fetch('rastova.wasm').then((response) => response.arrayBuffer()).then(WebAssembly.compile);
compiled.catch(() => {}); // reported by start()

// Gives emscripten's loader the module compiled above.
function instantiateWasm(imports, receive) {
    compiled.then((module) => WebAssembly.instantiate(module, imports)
                      .then((instance) => receive(instance, module)))
        .catch((error) => postMessage({type: 'failed', message: String(error)}));
    return {};
}

function onProgress(done, total) {
    const now = performance.now();
    if (done < total && now - lastProgress < 50) {
        return;
    }
    lastProgress = now;
    postMessage({type: 'progress', id: current, done, total});
}

// The module loaded: the message that answers the page's 'hello'.
async function start() {
    try {
        importScripts('rastova.js');
        await compiled;
        rastova = await createRastova({onProgress, instantiateWasm});
        rastova.onProgress = onProgress;
        rastova.FS.mkdir(kFolder);
        rastova.FS.chdir(kFolder);
        const formats = rastova.formats();
        formatNames = formats.map((format) => format.name);
        return {type: 'ready', formats};
    } catch (error) {
        return {type: 'failed', message: String(error && error.message || error)};
    }
}

function removeIfThere(path) {
    try {
        rastova.FS.unlink(path);
    } catch {
        // not there
    }
}

function setFont(name, bytes) {
    if (fontPath !== null) {
        removeIfThere(fontPath);
    }
    fontPath = name;
    rastova.FS.writeFile(fontPath, new Uint8Array(bytes));
}

// ASCII at 16 px in every format, a few times over, written nowhere the page reads.
function warm() {
    current = 0;
    for (let round = 0; round < kWarmRounds; ++round) {
        for (const format of formatNames) {
            rastova.run(['--font-file', fontPath, '--size', '16px', '--set', 'ascii', '--format',
                         format, '-o', kWarmOutput]);
        }
    }
    removeIfThere(kWarmOutput);
    postMessage({type: 'warm', name: fontPath});
}

function run(id, args, read) {
    current = id;
    lastProgress = 0;
    for (const path of read) {
        removeIfThere(path);
    }
    let code = 2;
    let stderr = '';
    let crashed = false;
    try {
        const result = rastova.run(args);
        code = result.code;
        stderr = result.stderr;
    } catch (error) {
        // The module itself failed (out of memory, say): the page says so and starts afresh.
        stderr = 'rastova-convert: ' + String(error && error.message || error) + '\n';
        crashed = true;
    }
    const files = {};
    const transfer = [];
    for (const path of read) {
        try {
            const bytes = rastova.FS.readFile(path);
            files[path] = bytes;
            transfer.push(bytes.buffer);
            removeIfThere(path);
        } catch {
            // not written
        }
    }
    postMessage({type: 'result', id, code, stderr, files, crashed}, transfer);
}

const loaded = start();

// Messages wait, in order, until the module is loaded.
onmessage = async (event) => {
    const outcome = await loaded;
    const message = event.data;
    if (message.type === 'hello') {
        postMessage(outcome);
    } else if (rastova === null) {
        return;
    } else if (message.type === 'font') {
        setFont(message.name, message.bytes);
        warm();
    } else if (message.type === 'run') {
        run(message.id, message.args, message.read);
    }
};
