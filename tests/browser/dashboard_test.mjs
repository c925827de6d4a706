// The dashboard in headless Chromium against ombixd on the simulated board:
// what it shows is what the API answers, its controls change the board and
// appear only for a role that may use them, it refuses a wrong token, logs
// no error, passes the accessibility check, and is photographed at two widths.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import {
    api, artifacts, axeViolations, launchBrowser, openPage, record, shown, signIn, startServer, tokens, waitReady,
} from './harness.mjs';

let server;
let browser;

before(async () => {
    [server, browser] = await Promise.all([startServer(), launchBrowser()]);
});
after(async () => {
    await browser?.close();
    server?.stop();
});

// Opens a page at `width`, signs in with `token` and waits for the board;
// runs `check` on it, then finds no error in the console. Closes it always.
async function onBoardView(token, check, width = 1280, scheme = 'light') {
    const { page, errors } = await openPage(browser, width, scheme);
    try {
        await signIn(page, server.url, token);
        await waitReady(page);
        await check(page);
        assert.deepEqual(errors, []);
    } finally {
        await page.close();
    }
}

describe('dashboard on the simulated board', () => {
    test('the values shown are the API answers', () => onBoardView(tokens.admin, async (page) => {
        const lists = [
            ['temperatures', 'GetTempSensorCount', 'tempSensorCount', 'GetTempSensorList', 'tempSensors', 1],
            ['voltages', 'GetVoltageSensorCount', 'voltageSensorCount', 'GetVoltageSensorList', 'voltageSensors', 1000],
        ];
        for (const [id, countCall, countName, listCall, listName, scale] of lists) {
            const count = (await api(server.url, tokens.admin, countCall))[countName];
            const sensors = (await api(server.url, tokens.admin, listCall, { [countName]: count }))[listName].map(record);
            assert.ok(sensors.length > 0);
            for (const [k, sensor] of sensors.entries())
                assert.equal(await shown(page, `${id}-${k}`), String(sensor.value / scale), `${id} ${k}`);
        }
        const fanCount = (await api(server.url, tokens.admin, 'GetFanCount')).fanCount;
        const fans = (await api(server.url, tokens.admin, 'GetFanList', { fanCount })).fans.map(record);
        for (const [k, fan] of fans.entries()) {
            assert.equal(await shown(page, `fans-${k}`), String(fan.rpm));
            assert.equal(await shown(page, `fans-pwm-${k}`), String(fan.pwm));
        }
        assert.equal(await shown(page, 'boots'), String((await api(server.url, tokens.admin, 'GetBootCounter')).bootCount));
        assert.equal(await shown(page, 'watchdog-max'), `${(await api(server.url, tokens.admin, 'WatchdogGetCap')).maxTimeout} s`);
        for (let line = 0; line < 8; ++line)
            assert.equal(await shown(page, `gpio-level-${line}`),
                String((await api(server.url, tokens.admin, 'GpioGetLevel', { gpioNr: line })).level));
        const board = record((await api(server.url, tokens.admin, 'GetBoardInfo')).boardInfo);
        assert.match(await page.$eval('#identity', (node) => node.textContent), new RegExp(board.boardName));
        // A chart per sensor group, with a line per sensor.
        const temperatures = (await api(server.url, tokens.admin, 'GetTempSensorCount')).tempSensorCount;
        assert.equal(await page.$$eval('#temperatures svg path', (paths) => paths.length), temperatures);
    }));

    test('a GPIO level set in the page changes the board', () => onBoardView(tokens.operator, async (page) => {
        await page.select('#gpio-set-direction-3', '1');
        await page.waitForFunction(() => !document.querySelector('#gpio-set-level-3')?.disabled);
        const before = (await api(server.url, tokens.admin, 'GpioGetLevel', { gpioNr: 3 })).level;
        await page.focus('#gpio-set-level-3');
        await page.select('#gpio-set-level-3', String(1 - before));
        await page.waitForFunction((want) => document.querySelector('[data-value="gpio-level-3"]')?.textContent === want,
            {}, String(1 - before));
        // The section is drawn anew; the keyboard's place stays on the control.
        await page.waitForFunction(() => document.activeElement?.id === 'gpio-set-level-3');
        assert.equal((await api(server.url, tokens.admin, 'GpioGetDirection', { gpioNr: 3 })).direction, 1);
        assert.equal((await api(server.url, tokens.admin, 'GpioGetLevel', { gpioNr: 3 })).level, 1 - before);
        // An operator may not power the board off: no such control.
        assert.equal(await page.$eval('#power', (node) => node.hidden), true);
    }));

    test('a failed call shows its code and its text', () => onBoardView(tokens.operator, async (page) => {
        // Line 0 is input only on the simulated board: the board refuses.
        await page.select('#gpio-set-direction-0', '1');
        await page.waitForFunction(() => document.querySelector('#status').classList.contains('error'));
        const status = await page.$eval('#status', (node) => node.textContent);
        assert.match(status, /GpioSetDirection failed: .+ \(\d+\)$/);
    }));

    test('a reader sees the board and no control', () => onBoardView(tokens.reader, async (page) => {
        assert.equal(await page.$$eval('#board select, #board input, #board button', (nodes) => nodes.length), 0);
        assert.equal(await page.$eval('#power', (node) => node.hidden), true);
        assert.match(await page.$eval('#who-text', (node) => node.textContent), /reader/);
        assert.ok((await page.$$('[data-value^="temperatures-"]')).length > 0);
    }));

    test('an admin is asked before the board is powered off', () => onBoardView(tokens.admin, async (page) => {
        const [powerOff] = await page.$$('#power button');
        await powerOff.click();
        await page.waitForSelector('#confirm[open]');
        await page.click('#confirm-cancel');
        await page.waitForSelector('#confirm:not([open])');
        assert.equal(await page.$eval('#status', (node) => node.textContent), '');
    }));

    test('a wrong token is refused with a message', async () => {
        const { page, errors } = await openPage(browser, 1280);
        await signIn(page, server.url, 'not-a-token');
        await page.waitForFunction(() => document.querySelector('#sign-in-message').textContent !== '');
        assert.match(await page.$eval('#sign-in-message', (node) => node.textContent), /refused this token/);
        assert.equal(await page.$eval('#board', (node) => node.hidden), true);
        assert.equal(await page.evaluate(() => sessionStorage.length), 0);
        // The browser reports the 401 itself; nothing else may appear.
        assert.deepEqual(errors.filter((e) => !/status of 401|^401 GET .*\/session$/.test(e)), []);
        await page.close();
    });

    test('the token is kept for the tab only and survives a reload', () => onBoardView(tokens.reader, async (page) => {
        assert.equal(await page.evaluate(() => localStorage.length), 0);
        await page.reload({ waitUntil: 'domcontentloaded' });
        await waitReady(page);
        await page.click('#sign-out');
        await page.waitForSelector('#token', { visible: true });
        assert.equal(await page.evaluate(() => sessionStorage.length), 0);
    }));

    for (const [width, scheme] of [[1920, 'light'], [375, 'dark']])
        test(`at ${width} px (${scheme}): no serious accessibility fault, no overflow, a screenshot`,
            () => onBoardView(tokens.admin, async (page) => {
            assert.deepEqual(await axeViolations(page), []);
            const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
            assert.ok(overflow <= 0, `the page is ${overflow} px wider than the window`);
            // A few polls, so that the charts show lines.
            await page.select('#interval', '1000');
            await page.waitForFunction(() => [...document.querySelectorAll('#fans svg path')]
                .every((path) => (path.getAttribute('d').match(/L/g) || []).length >= 2), { timeout: 10000 });
            await page.screenshot({ path: join(artifacts, `dashboard-${width}-full.png`), fullPage: true });
            await page.screenshot({ path: join(artifacts, `dashboard-${width}.png`) });
        }, width, scheme));

    test('every control is reached by the keyboard', async () => {
        const { page } = await openPage(browser, 1280);
        await signIn(page, server.url, tokens.admin);
        await waitReady(page);
        const focusable = '#board select, #board input, #board button, #board [tabindex="0"]';
        const controls = await page.$$eval(focusable, (nodes) => nodes.length);
        for (let k = 0; k < controls + 20; ++k) {
            await page.keyboard.press('Tab');
            await page.evaluate(() => {
                document.activeElement.dataset.reached = 'yes';
            });
        }
        const missed = await page.$$eval(focusable, (nodes) => nodes
            .filter((n) => !n.disabled && n.offsetParent !== null && n.dataset.reached !== 'yes')
            .map((n) => `${n.tagName} ${n.id} ${n.getAttribute('aria-label') || n.textContent.slice(0, 30)}`));
        assert.deepEqual(missed, []);
        await page.close();
    });
});
