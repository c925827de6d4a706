// The browser side of bench/dashboard_bench.cpp: starts ombixd on the
// simulated board and one headless Chromium, then answers each line read on
// standard input ("view" or "floor") with one line "<milliseconds> <bytes>":
//   view   the dashboard's first complete board view, from navigation start
//          until every section is filled, with an empty cache;
//   floor  a page of the same server holding nothing (the page's 0.3 KB icon
//          as a document): what any page from this server costs at least.
// Bytes are all that arrived over the network for it (encoded lengths from
// the browser's network events, headers included).
import { createInterface } from 'node:readline';
import { launchBrowser, startServer, tokens, signIn, waitReady } from '../tests/browser/harness.mjs';

const [server, browser] = await Promise.all([startServer(), launchBrowser()]);
const page = await browser.newPage();
await page.setViewport({ width: 1920, height: 1080 });
const network = await page.createCDPSession();
await network.send('Network.enable');
await network.send('Network.setCacheDisabled', { cacheDisabled: true });
let bytes = 0;
const pending = new Set();
network.on('Network.requestWillBeSent', (event) => pending.add(event.requestId));
network.on('Network.loadingFailed', (event) => pending.delete(event.requestId));
network.on('Network.loadingFinished', (event) => {
    pending.delete(event.requestId);
    bytes += event.encodedDataLength;
});

// The browser may report a load finished after the page saw its content:
// wait (untimed, at most 2 s) until every request of this load is counted.
async function settled() {
    for (let k = 0; k < 200 && pending.size > 0; ++k) await new Promise((resolve) => setTimeout(resolve, 10));
}
// The token is typed once; later loads of the tab take it from session storage.
await signIn(page, server.url, tokens.reader);
await waitReady(page);

async function measure(what) {
    bytes = 0;
    pending.clear();
    const started = performance.now();
    if (what === 'view') {
        await page.goto(`${server.url}/`, { waitUntil: 'domcontentloaded' });
        await waitReady(page);
    } else {
        await page.goto(`${server.url}/dashboard/icon.svg`, { waitUntil: 'load' });
    }
    const elapsed = performance.now() - started;
    await settled();
    // Requests still under way (the next poll) are not the first view's.
    return `${elapsed.toFixed(3)} ${bytes}`;
}

for await (const line of createInterface({ input: process.stdin })) {
    if (line === 'quit') break;
    process.stdout.write(`${await measure(line.trim())}\n`);
}
await browser.close();
server.stop();
