// Loads the dashboard of an ombixd that is already running (the Linux board
// in a kernel test's guest) and checks that its charts and tables show the
// values the test set from outside. Exit status 0 when they do.
//
//   node board_view_check.mjs URL TOKEN "temperature name=value" "fan name=rpm" ...
// A name=value is looked for among the temperatures, then among the fans.
import { launchBrowser, openPage, signIn, waitReady, artifacts } from './harness.mjs';
import { join } from 'node:path';

const [url, token, ...expected] = process.argv.slice(2);
const browser = await launchBrowser();
let failed = 0;
try {
    const { page, errors } = await openPage(browser, 1280);
    await signIn(page, url, token);
    await waitReady(page);
    for (const pair of expected) {
        const at = pair.lastIndexOf('=');
        const [name, value] = [pair.slice(0, at), pair.slice(at + 1)];
        // The chart's summary names each series with its latest value; the
        // table shows the same value in the row of that name.
        const seen = await page.waitForFunction((name, value) => {
            for (const id of ['temperatures', 'fans']) {
                const chart = document.querySelector(`#${id} svg`)?.getAttribute('aria-label') || '';
                const rows = [...document.querySelectorAll(`#${id} tbody tr`)];
                const row = rows.find((r) => r.cells[1]?.textContent === name);
                if (row && row.cells[2].textContent === value && chart.includes(`${name} ${value} `))
                    return `${id}: ${chart}`;
            }
            return false;
        }, { timeout: 15000 }, name, value).then((handle) => handle.jsonValue(), () => null);
        if (seen) console.log(`ok: ${name} = ${value} (${seen})`);
        else {
            failed++;
            console.log(`not ok: ${name} = ${value} not shown`);
        }
    }
    await page.screenshot({ path: join(artifacts, 'dashboard-linux-board.png'), fullPage: true });
    if (errors.length) {
        failed++;
        console.log(`not ok: browser errors: ${errors.join('; ')}`);
    }
} finally {
    await browser.close();
}
console.log(`${expected.length + 1 - failed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
