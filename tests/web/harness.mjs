// What the page's browser tests and its benchmark share: the built page served by
// `python3 -m http.server` on a free port, and Debian's chromium driven by playwright-core.
//
// Environment:
//   RASTOVA_WEB_DIR     the built page (default: build-web)
//   RASTOVA_CONVERT     the native rastova-convert (default: build/cli/rastova-convert)
//   RASTOVA_PLAYWRIGHT  the playwright-core package folder (default: where scripts/web-test.sh
//                       puts it, build-node/node_modules/playwright-core)
//   CHROMIUM            the browser (default: /usr/bin/chromium)
import {spawn} from 'node:child_process';
import {createRequire} from 'node:module';
import net from 'node:net';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const repoRoot = path.resolve(here, '..', '..');
export const webDir = path.resolve(repoRoot, process.env.RASTOVA_WEB_DIR ?? 'build-web');
export const convertPath =
    path.resolve(repoRoot, process.env.RASTOVA_CONVERT ?? 'build/cli/rastova-convert');
export const dejavuDir = '/usr/share/fonts/truetype/dejavu';

const require = createRequire(import.meta.url);
const installed = path.join(repoRoot, 'build-node', 'node_modules', 'playwright-core');
const {chromium} = require(process.env.RASTOVA_PLAYWRIGHT ?? installed);

function freePort() {
    return new Promise((resolve, reject) => {
        const server = net.createServer();
        server.unref();
        server.on('error', reject);
        server.listen(0, '127.0.0.1', () => {
            const {port} = server.address();
            server.close(() => resolve(port));
        });
    });
}

async function waitForServer(url, child) {
    for (let i = 0; i < 200; ++i) {
        if (child.exitCode !== null) {
            throw new Error('python3 -m http.server exited with status ' + child.exitCode);
        }
        try {
            const response = await fetch(url);
            if (response.ok) return;
        } catch {
            // not listening yet
        }
        await new Promise((resolve) => setTimeout(resolve, 50));
    }
    throw new Error('python3 -m http.server did not answer at ' + url);
}

// Serves the built page; returns {origin, stop()}.
export async function servePage() {
    const port = await freePort();
    const child = spawn('python3', ['-m', 'http.server', '--bind', '127.0.0.1', '--directory',
                                    webDir, String(port)],
                        {stdio: ['ignore', 'ignore', 'ignore']});
    const origin = `http://127.0.0.1:${port}`;
    await waitForServer(origin + '/index.html', child);
    return {
        origin,
        stop: () => child.kill(),
    };
}

export function launchBrowser() {
    return chromium.launch({
        executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
        headless: true,
    });
}

// Opens the page in a fresh context and waits until its converter is loaded.
export async function openPage(browser, origin) {
    const context = await browser.newContext({acceptDownloads: true});
    const page = await context.newPage();
    const requests = [];
    page.on('request', (request) => requests.push(request.url()));
    await page.goto(origin + '/index.html');
    await page.getByLabel('Format', {exact: true}).and(page.locator(':enabled')).waitFor();
    return {context, page, requests};
}
