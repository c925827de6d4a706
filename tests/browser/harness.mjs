// What the browser tests share: an ombixd process with a token store, one
// headless Chromium (Debian's) for all tests of a file, a signed-in page,
// and the API read directly for comparison.
import { spawn } from 'node:child_process';
import { createHash } from 'node:crypto';
import { mkdtempSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createRequire } from 'node:module';

const require = createRequire(join(process.env.OMBIX_NODE_MODULES, 'package.json'));
const puppeteer = require('puppeteer-core');

export const artifacts = process.env.OMBIX_BROWSER_ARTIFACTS || tmpdir();
mkdirSync(artifacts, { recursive: true });

export const tokens = { admin: 'admin-token-1', operator: 'operator-token-1', reader: 'reader-token-1' };

// The store in a directory of its own, removed when its server stops.
function storeFile(dir) {
    const file = join(dir, 'tokens');
    const lines = Object.entries(tokens).map(([role, token]) =>
        `${role}-user ${role} ${createHash('sha256').update(token).digest('hex')}`);
    writeFileSync(file, `${lines.join('\n')}\n`, { mode: 0o600 });
    return file;
}

// Starts ombixd on a free loopback port; resolves to { url, stop }.
export function startServer(extra = []) {
    const dir = mkdtempSync(join(tmpdir(), 'ombix-browser-'));
    const child = spawn(process.env.OMBIXD, ['--listen', '127.0.0.1:0', '--token-store', storeFile(dir), ...extra],
        { stdio: ['ignore', 'pipe', 'inherit'] });
    const stop = () => {
        child.kill('SIGTERM');
        rmSync(dir, { recursive: true, force: true });
    };
    return new Promise((resolve, reject) => {
        let seen = '';
        const timer = setTimeout(() => reject(new Error(`ombixd did not start: ${seen}`)), 10000);
        child.stdout.on('data', (chunk) => {
            seen += chunk;
            const match = /listening on (http:\/\/[0-9.:]+)/.exec(seen);
            if (match) {
                clearTimeout(timer);
                resolve({ url: match[1], stop });
            }
        });
        child.on('exit', (code) => reject(new Error(`ombixd exited with ${code}: ${seen}`)));
    });
}

export async function launchBrowser() {
    return puppeteer.launch({
        executablePath: process.env.OMBIX_CHROMIUM || '/usr/bin/chromium',
        headless: true,
        // As root (CI) Chromium's sandbox cannot start; the page is our own.
        args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-dev-shm-usage', '--no-proxy-server'],
    });
}

// The board's answer to a call, read without the page: its outputs by name.
export async function api(url, token, name, params = {}) {
    const body = JSON.stringify(Object.entries(params).map(([i, v]) => ({ i, v })));
    const response = await fetch(`${url}/call/Ombix${name}`, {
        method: 'POST', headers: { Authorization: `Bearer ${token}` }, body,
    });
    const answer = await response.json();
    if (answer.ret !== 0 && answer.ret !== 16) throw new Error(`${name} answered ${JSON.stringify(answer)}`);
    return Object.fromEntries(answer.outs.map((o) => [o.i, o.v]));
}

export function record(values) {
    return Object.fromEntries(values.map((o) => [o.i, o.v]));
}

// A new tab at `width`, its console errors and failed requests collected.
export async function openPage(browser, width, scheme = 'light') {
    const page = await browser.newPage();
    const errors = [];
    page.on('console', (message) => {
        if (message.type() === 'error') errors.push(message.text());
    });
    page.on('pageerror', (error) => errors.push(String(error)));
    page.on('response', (response) => {
        if (response.status() >= 400) errors.push(`${response.status()} ${response.request().method()} ${response.url()}`);
    });
    await page.setViewport({ width, height: width < 600 ? 812 : 1080 });
    await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
    return { page, errors };
}

// Loads the page and signs in; resolves once the whole board is shown.
export async function signIn(page, url, token) {
    await page.goto(`${url}/`, { waitUntil: 'domcontentloaded' });
    await page.waitForSelector('#token', { visible: true });
    await page.type('#token', token);
    await page.keyboard.press('Enter');
}

export async function waitReady(page) {
    await page.waitForSelector('body[data-ready="true"]', { timeout: 20000 });
}

// The text the page shows for data-value="name".
export async function shown(page, name) {
    return page.$eval(`[data-value="${name}"]`, (node) => node.textContent);
}

export async function axeViolations(page) {
    const source = readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
    // Evaluated through the debugging protocol, which the page's
    // Content-Security-Policy does not govern (it forbids inline scripts).
    await page.evaluate(source);
    const result = await page.evaluate(() => globalThis.axe.run(document, { resultTypes: ['violations'] }));
    return result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical')
        .map((v) => `${v.id}: ${v.help} (${v.nodes.map((n) => n.target.join(' ')).slice(0, 3).join('; ')})`);
}
