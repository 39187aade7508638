// The web module against rastova-convert: for each row, the same arguments given to both, over
// the same files, give the same exit status, the same messages and the same bytes in every file
// written. Each format of the module's registry has a row, as have the error paths the page
// reports.
//
//   node --test web/tests/same_bytes.mjs  (with the environment below)
//
//   RASTOVA_WEB      the folder holding rastova.js and rastova.wasm (build-web)
//   RASTOVA_CONVERT  the native program (build/cli/rastova-convert)
//   RASTOVA_FONTS    the folder of DejaVu's TTF files (/usr/share/fonts/truetype/dejavu)
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { before, test } from 'node:test';

const web = process.env.RASTOVA_WEB;
const convert = process.env.RASTOVA_CONVERT;
const fonts = process.env.RASTOVA_FONTS || '/usr/share/fonts/truetype/dejavu';
assert.ok(web && convert, 'set RASTOVA_WEB and RASTOVA_CONVERT');

// The files every row may read, by the same relative names in both: the native run works in a
// folder of its own, the module in its root.
const sans = 'in/DejaVuSans.ttf';
const serif = 'in/DejaVuSerif.ttf';
const notFont = 'in/notes.ttf';
const cut = 'in/cut.ttf';
function inputs() {
    const sansBytes = fs.readFileSync(path.join(fonts, 'DejaVuSans.ttf'));
    return {
        [sans]: sansBytes,
        [serif]: fs.readFileSync(path.join(fonts, 'DejaVuSerif.ttf')),
        [notFont]: Buffer.from('This is a text file, not a font.\n'),
        // A table directory that names tables past the end of the file.
        [cut]: sansBytes.subarray(0, 4096),
    };
}

const ascii16 = (format, ...more) => [
    '--font-file', sans, '--size', '16px', '--set', 'ascii', '--format', format, ...more];

// Rows beyond one a format: [name, arguments, files the run writes besides standard output].
const extraRows = [
    ['lvgl 4 bpp compressed', ascii16('lvgl', '--bpp', '4', '--compress', '-o', 'out/f.c'),
        ['out/f.c']],
    ['vlw file', ascii16('vlw', '-o', 'out/f.vlw'), ['out/f.vlw']],
    ['vlw as a C array', ascii16('vlw', '--c-array', 'sans16', '-o', 'out/f.h'), ['out/f.h']],
    ['gfx with its preview', ascii16('gfx', '-o', 'out/f.h', '--preview', 'out/f.png'),
        ['out/f.h', 'out/f.png']],
    ['two sources with a remap',
        ['--format', 'lvgl', '--size', '16px', '--c-array', 'ui_16', '-o', 'out/ui.c',
            '--symbols-header', 'out/ui.h', '--font-file', sans, '--set', 'ascii',
            '--font-file', serif, '--range', '0x41-0x43=>0xE000,0x2603'],
        ['out/ui.c', 'out/ui.h']],
    ['Hello, Wörld in u8g2 at 12pt',
        ['--font-file', sans, '--size', '12pt', '--format', 'u8g2', 'Hello, Wörld'], []],
    ['not a font', ascii16('gfx', '-o', 'out/f.h').map((a) => (a === sans ? notFont : a)), []],
    ['a damaged font', ascii16('bdf', '-o', 'out/f.bdf').map((a) => (a === sans ? cut : a)), []],
    ['a range gfx cannot hold', ascii16('gfx', '--range', '0x410-0x44F', '-o', 'out/f.h'), []],
    ['beyond --max-output', ascii16('lvgl', '--max-output', '1K', '-o', 'out/f.c'), []],
];

let rastova;
let scratch;
before(async () => {
    const createRastova = createRequire(import.meta.url)(path.resolve(web, 'rastova.js'));
    rastova = await createRastova({ wasmBinary: fs.readFileSync(path.join(web, 'rastova.wasm')) });
    scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'rastova-web-'));
    fs.mkdirSync(path.join(scratch, 'in'));
    fs.mkdirSync(path.join(scratch, 'out'));
    for (const [name, bytes] of Object.entries(inputs())) {
        fs.writeFileSync(path.join(scratch, name), bytes);
        rastova.FS.writeFile('/' + name, bytes);
    }
});

function runNative(args) {
    const run = spawnSync(convert, args, { cwd: scratch });
    assert.equal(run.error, undefined, `${convert} did not run`);
    return { code: run.status, stdout: run.stdout, stderr: run.stderr.toString() };
}

function checkRow(name, args, files) {
    for (const file of files) {
        fs.rmSync(path.join(scratch, file), { force: true });
    }
    const native = runNative(args);
    const module = rastova.run(args);
    assert.equal(module.code, native.code, `${name}: exit status; module said ${module.stderr}`);
    assert.equal(module.stderr, native.stderr, `${name}: messages`);
    assert.ok(Buffer.from(module.stdout).equals(native.stdout), `${name}: standard output`);
    for (const file of files) {
        const expected = fs.readFileSync(path.join(scratch, file));
        const written = rastova.FS.readFile('/' + file);
        assert.ok(expected.length > 0, `${name}: ${file} is empty`);
        assert.ok(Buffer.from(written).equals(expected), `${name}: ${file} differs`);
    }
}

test('every format of the registry, ASCII at 16 px', () => {
    const formats = rastova.formats();
    assert.ok(formats.length >= 9, 'the registry lists the formats');
    for (const format of formats) {
        const file = `out/ascii.${format.name}`;
        checkRow(format.name, ascii16(format.name, '-o', file), [file]);
    }
});

test('options, sources, previews and refusals', () => {
    for (const [name, args, files] of extraRows) {
        checkRow(name, args, files);
    }
});

test('the registry is the command line\'s', () => {
    const names = rastova.formats().map((format) => format.name).join('\n') + '\n';
    assert.equal(names, runNative(['--list-formats']).stdout.toString());
});

test('a font by name is refused in one line: the module has no fontconfig', () => {
    for (const args of [['--font', 'DejaVu Sans', 'A'], ['--size', '16px', 'A']]) {
        const result = rastova.run(args);
        assert.equal(result.code, 2, args.join(' '));
        assert.match(result.stderr, /^rastova-convert: [^\n]*--font-file\n$/, args.join(' '));
    }
});

test('progress is told while a run draws', () => {
    const told = [];
    rastova.onProgress = (done, total) => told.push([done, total]);
    try {
        assert.equal(rastova.run(ascii16('bdf', '-o', 'out/p.bdf')).code, 0);
    } finally {
        delete rastova.onProgress;
    }
    assert.deepEqual(told, [[64, 95], [95, 95]]);
});

test('ASCII at 16 px in gfx, timed', () => {
    const started = performance.now();
    const result = rastova.run(ascii16('gfx', '-o', 'out/t.h'));
    const took = performance.now() - started;
    assert.equal(result.code, 0, result.stderr);
    console.log(`# module: ASCII at 16 px in gfx took ${took.toFixed(1)} ms`);
});
