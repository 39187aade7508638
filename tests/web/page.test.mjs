// The page in a real browser: for every format of the registry, the file the page offers for
// download is byte for byte what the native rastova-convert writes for the same font file,
// options and characters; bad input gives the command line's own one-line message and leaves
// the page usable; the page loads nothing from anywhere but its own folder.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {after, before, describe, it} from 'node:test';

import {convertPath, dejavuDir, launchBrowser, openPage, servePage} from './harness.mjs';

const kSans = path.join(dejavuDir, 'DejaVuSans.ttf');
const kTimeout = {timeout: 180000};

let server;
let browser;
let scratch;

before(async () => {
    server = await servePage();
    browser = await launchBrowser();
    scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'rastova-page-'));
});

after(async () => {
    await browser?.close();
    server?.stop();
    if (scratch) fs.rmSync(scratch, {recursive: true, force: true});
});

// A font as the page takes it: a file path, or {name, buffer}.
function fontName(font) {
    return typeof font === 'string' ? path.basename(font) : font.name;
}

function fontBytes(font) {
    return typeof font === 'string' ? fs.readFileSync(font) : font.buffer;
}

// Sets the page's controls by their labels. `row.page` maps a label to a value: true/false
// for a checkbox, otherwise what a select or text field takes.
async function setControls(page, row) {
    const font = row.font ?? kSans;
    await page.getByLabel('Font file', {exact: true}).setInputFiles(
        typeof font === 'string' ? font : {...font, mimeType: 'application/octet-stream'});
    await page.getByLabel('Size', {exact: true}).fill(row.size ?? '16px');
    await page.getByLabel('Format', {exact: true}).selectOption(row.format);
    await page.getByLabel('Characters', {exact: true}).fill(row.text ?? '');
    await page.getByLabel('Ranges', {exact: true}).fill(row.range ?? '');
    await page.getByLabel('Set', {exact: true}).selectOption(row.set ?? '');
    await page.getByLabel('C name', {exact: true}).fill(row.cArray ?? '');
    await page.getByLabel('Max output', {exact: true}).fill(row.maxOutput ?? '');
    const common = {Bold: false, Italic: false, Hinting: ''};
    for (const [label, value] of Object.entries({...common, ...row.page})) {
        const control = page.getByLabel(label, {exact: true});
        if (typeof value === 'boolean') {
            await control.setChecked(value);
        } else if (await control.evaluate((element) => element.tagName === 'SELECT')) {
            await control.selectOption(String(value));
        } else {
            await control.fill(String(value));
        }
    }
}

// Clicks Convert and waits until the page has finished with the run.
async function convert(page) {
    await page.getByRole('button', {name: 'Convert', exact: true}).click();
    await page.locator('form[aria-busy="false"]').waitFor();
    return (await page.getByRole('status', {name: 'Messages'}).textContent()) ?? '';
}

async function download(page) {
    const [file] = await Promise.all([
        page.waitForEvent('download'),
        page.getByRole('link', {name: /^Download/}).click(),
    ]);
    return fs.readFileSync(await file.path());
}

// The native command line for `row`, in the page's order: font, size and style, format and its
// options, then the characters: set, ranges, text.
function nativeArgs(row, output) {
    const args = ['--font-file', fontName(row.font ?? kSans), '--size', row.size ?? '16px'];
    args.push(...(row.style ?? []), '--format', row.format, ...(row.cli ?? []));
    if (row.cArray) args.push('--c-array', row.cArray);
    if (row.maxOutput) args.push('--max-output', row.maxOutput);
    if (row.set) args.push('--set', row.set);
    if (row.range) args.push('--range', row.range);
    args.push('-o', output);
    if (row.text) args.push('--', row.text);
    return args;
}

// Runs the native rastova-convert in a folder holding the font under the page's name.
function runNative(row) {
    const folder = fs.mkdtempSync(path.join(scratch, 'run-'));
    fs.writeFileSync(path.join(folder, fontName(row.font ?? kSans)), fontBytes(row.font ?? kSans));
    const output = 'native-output';
    const run = spawnSync(convertPath, nativeArgs(row, output), {cwd: folder, encoding: 'buffer'});
    const outputPath = path.join(folder, output);
    return {
        code: run.status,
        stderr: run.stderr.toString('utf8'),
        output: fs.existsSync(outputPath) ? fs.readFileSync(outputPath) : null,
    };
}

// Rows each format gets beyond the plain one; `page` sets labelled controls, `cli` and `style`
// are the same options as the command line takes them.
const kExtraRows = {
    table: [{cArray: 'font16', text: 'Жx'}],
    bdf: [{text: 'Ag', page: {Hinting: 'none', Bold: true}, style: ['--bold', '--hinting', 'none']}],
    gfx: [{set: 'cp1251', page: {Encoding: 'cp1251'}, cli: ['--encoding', 'cp1251']}],
    lvgl: [{set: 'ascii', page: {'Bits per pixel': '4', Compress: true, 'Lvgl version': '8'},
            cli: ['--lvgl-version', '8', '--compress', '--bpp', '4']}],
    u8g2: [{set: 'ascii', size: '12pt', page: {Italic: true}, style: ['--italic']}],
    xbm: [{range: '0x30-0x39', page: {Cell: '12x20'}, cli: ['--cell', '12x20']}],
    ssd1306: [{range: '0x30-0x39'}],
    raw: [{text: '0123', page: {Scan: 'columns', 'Bit order': 'lsb'}, cli: ['--bit-order', 'lsb', '--scan', 'columns']}],
    vlw: [{set: 'ascii', cArray: 'sans16'}],
};

async function formatNames(page) {
    return page.getByLabel('Format', {exact: true}).locator('option')
        .evaluateAll((options) => options.map((option) => option.value));
}

describe('the page writes what rastova-convert writes', () => {
    it('for every format of the registry', kTimeout, async () => {
        const {context, page} = await openPage(browser, server.origin);
        const names = await formatNames(page);
        assert.ok(names.length >= 9, `the registry lists ${names.join(', ')}`);
        for (const format of names) {
            const rows = [{set: 'ascii', text: 'Wörld'}, ...(kExtraRows[format] ?? [])];
            for (const [index, extra] of rows.entries()) {
                const row = {format, ...extra};
                const name = `${format} row ${index}: ${JSON.stringify(extra)}`;
                const expected = runNative(row);
                assert.equal(expected.code, 0, `${name}: native run: ${expected.stderr}`);
                await setControls(page, row);
                const message = await convert(page);
                if (expected.stderr !== '') {
                    assert.equal(message, expected.stderr.replace(/\n$/, ''), name);
                }
                const bytes = await download(page);
                assert.ok(bytes.equals(expected.output),
                          `${name}: the download (${bytes.length} bytes) differs from ` +
                              `rastova-convert's output (${expected.output.length} bytes)`);
            }
        }
        await context.close();
    });
});

// Runs the native rastova-convert with `args` after a font and --dry-run; its exit status and
// standard error.
function nativeDryRun(args) {
    const run = spawnSync(convertPath, ['--font-file', kSans, '--dry-run', 'A', ...args],
                          {encoding: 'utf8'});
    return {code: run.status, stderr: run.stderr};
}

// What rastova-convert takes after an option the page offers as text or a switch.
const kGoodArgs = {'--cell': ['12x20'], '--first': ['0x20'], '--compress': ['--bpp', '4']};

describe('each format\'s own options', () => {
    it('are those rastova-convert takes with it, with the words it takes', kTimeout, async () => {
        const {context, page} = await openPage(browser, server.origin);
        const shown = new Map();
        for (const format of await formatNames(page)) {
            await page.getByLabel('Format', {exact: true}).selectOption(format);
            shown.set(format, await page.locator('#format-options [data-option]').evaluateAll(
                (controls) => controls.map((control) => ({
                    flag: control.dataset.option,
                    kind: control.tagName === 'SELECT' ? 'choice' : control.type,
                    values: [...(control.options ?? [])].map((option) => option.value),
                }))));
        }
        const everyFlag = new Map([...shown.values()].flat().map((control) => [control.flag, control]));
        assert.ok(everyFlag.size >= 8, `options shown: ${[...everyFlag.keys()].join(', ')}`);
        for (const [format, controls] of shown) {
            for (const [flag, control] of everyFlag) {
                const name = `${format} ${flag}`;
                const value = control.kind === 'choice' ? [control.values.at(-1)] : kGoodArgs[flag] ?? [];
                const run = nativeDryRun(['--format', format, flag, ...value]);
                const offered = controls.find((shownControl) => shownControl.flag === flag);
                assert.equal(run.code === 0, offered !== undefined, `${name}: ${run.stderr}`);
                if (!offered || offered.kind !== 'choice') continue;
                const refused = nativeDryRun(['--format', format, flag, 'none-of-these']);
                const listed = /is not one of (.*)$/m.exec(refused.stderr)?.[1].split(', ') ?? [];
                // A word counts as taken when the format takes it, alone or with one of the
                // switches the page offers beside it (lvgl's 3 bits need --compress).
                const switches = [[], ...controls.filter((c) => c.kind === 'checkbox').map((c) => [c.flag])];
                const taken = listed.filter((word) => switches.some((extra) =>
                    nativeDryRun(['--format', format, flag, word, ...extra]).code === 0));
                assert.deepEqual([...offered.values].sort(), taken.sort(), name);
            }
        }
        await context.close();
    });
});

function damagedSans() {
    const whole = fs.readFileSync(kSans);
    return {name: 'DejaVuSans-cut.ttf', buffer: whole.subarray(0, Math.floor(whole.length / 3))};
}

// Bad input: each row's message is the native command line's, on one line, no download is
// offered, and the conversion after it works.
const kBadRows = [
    {name: 'not a font', font: {name: 'notes.txt', buffer: Buffer.from('not a font\n')},
     format: 'gfx', set: 'ascii'},
    {name: 'damaged font', font: damagedSans(), format: 'gfx', set: 'ascii'},
    {name: 'range the format cannot hold', format: 'gfx', range: '0x41,0x100'},
    {name: 'set beyond --max-output', format: 'lvgl', set: 'cp1251', maxOutput: '1K'},
    {name: 'size that is not one', format: 'bdf', size: '16 px', text: 'A'},
];

describe('bad input', () => {
    it('gives the command line\'s one-line message and the page stays usable', kTimeout, async () => {
        const {context, page} = await openPage(browser, server.origin);
        const good = {format: 'gfx', set: 'ascii'};
        const goodOutput = runNative(good).output;
        for (const row of kBadRows) {
            const expected = runNative(row);
            assert.equal(expected.code, 2, `${row.name}: native run exits 2`);
            await setControls(page, row);
            const message = await convert(page);
            assert.equal(message, expected.stderr.replace(/\n$/, ''), row.name);
            assert.ok(!message.includes('\n'), `${row.name}: one line: ${message}`);
            assert.equal(await page.getByRole('link', {name: /^Download/}).count(), 0, row.name);
            await setControls(page, good);
            await convert(page);
            assert.ok((await download(page)).equals(goodOutput), `${row.name}: the next conversion`);
        }
        await context.close();
    });
});

describe('the page', () => {
    it('loads nothing but its own files', kTimeout, async () => {
        const {context, page, requests} = await openPage(browser, server.origin);
        await setControls(page, {format: 'lvgl', text: 'Hello, Wörld'});
        await convert(page);
        await download(page);
        const foreign = requests.filter((url) => !url.startsWith(server.origin + '/') &&
                                                 !url.startsWith('blob:') && !url.startsWith('data:'));
        assert.deepEqual(foreign, []);
        await context.close();
    });

    it('is ready when its converter loads before its own script', kTimeout, async () => {
        // The worker starts first thing; the page's script arrives long after it is loaded.
        const context = await browser.newContext({acceptDownloads: true});
        const page = await context.newPage();
        await page.route('**/page.js', async (route) => {
            await new Promise((resolve) => setTimeout(resolve, 3000));
            await route.continue();
        });
        await page.goto(server.origin + '/index.html');
        await page.getByLabel('Format', {exact: true}).and(page.locator(':enabled'))
            .waitFor({timeout: 20000});
        const row = {format: 'xbm', set: 'ascii'};
        await setControls(page, row);
        await convert(page);
        assert.ok((await download(page)).equals(runNative(row).output));
        await context.close();
    });

    it('converts on Enter in a field, and takes a dropped font', kTimeout, async () => {
        const {context, page} = await openPage(browser, server.origin);
        const bytes = [...fs.readFileSync(path.join(dejavuDir, 'DejaVuSansMono.ttf'))];
        await page.evaluate((data) => {
            const transfer = new DataTransfer();
            transfer.items.add(new File([new Uint8Array(data)], 'DejaVuSansMono.ttf'));
            document.body.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer,
                                                               bubbles: true, cancelable: true}));
        }, bytes);
        await page.getByText(/^DejaVuSansMono\.ttf/).waitFor();
        await page.getByLabel('Format', {exact: true}).selectOption('bdf');
        await page.getByLabel('Characters', {exact: true}).fill('Mono');
        await page.getByLabel('Characters', {exact: true}).press('Enter');
        await page.locator('form[aria-busy="false"]').waitFor();
        const row = {font: path.join(dejavuDir, 'DejaVuSansMono.ttf'), format: 'bdf', text: 'Mono'};
        assert.ok((await download(page)).equals(runNative(row).output));
        await context.close();
    });

    it('shows a large set\'s progress, and Cancel stops it', kTimeout, async () => {
        const {context, page} = await openPage(browser, server.origin);
        await setControls(page, {format: 'bdf', size: '100px', range: '0xA0-0xD7FF'});
        await page.getByRole('button', {name: 'Convert', exact: true}).click();
        await page.waitForFunction(() => document.getElementById('progress').value > 0);
        await page.getByRole('button', {name: 'Cancel', exact: true}).click();
        await page.locator('form[aria-busy="false"]').waitFor();
        assert.match(await page.getByRole('status', {name: 'Messages'}).textContent(), /^Cancelled/);
        assert.equal(await page.getByRole('link', {name: /^Download/}).count(), 0);
        const row = {format: 'u8g2', set: 'ascii'};
        await setControls(page, row);
        await convert(page);
        assert.ok((await download(page)).equals(runNative(row).output), 'the conversion after');
        await context.close();
    });
});
