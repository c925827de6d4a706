// The dashboard: sign in with a token, learn what it may do, then show the
// board and poll its sensors at the chosen interval.

import { fetchSession, useToken } from './api.js';
import { failureText, useCodeTexts } from './format.js';
import { powerControls } from './controls.js';
import * as inventory from './inventory.js';
import { clearSensors, pollSensors } from './sensors.js';
import { forget, remember, signedIn, storedToken } from './session.js';

const byId = (id) => document.getElementById(id);
let timer = null;
let generation = 0;

function showSignIn(message) {
    byId('board').hidden = true;
    byId('who').hidden = true;
    byId('sign-in').hidden = false;
    byId('sign-in-message').textContent = message || '';
    byId('sign-in-message').classList.toggle('error', Boolean(message));
    byId('token').focus();
}

// Polls until signed out; a new sign-in starts a new generation.
async function poll(mine) {
    if (mine !== generation) return;
    await Promise.all([pollSensors(), inventory.showUptime()]);
    if (mine !== generation) return;
    timer = setTimeout(() => poll(mine), Number(byId('interval').value));
}

async function signIn(token) {
    useToken(token);
    let session;
    try {
        session = await fetchSession();
    } catch (failure) {
        forget();
        const why = failure.status === 401 ? 'The server refused this token.' : failureText(failure);
        showSignIn(`${why} (${failure.reason})`);
        return;
    }
    remember(token, session);
    useCodeTexts(session);
    byId('sign-in').hidden = true;
    byId('who').hidden = false;
    byId('who-text').textContent = `${session.name} (${session.role})`;
    byId('board').hidden = false;
    byId('status').textContent = '';
    powerControls();
    const mine = ++generation;
    clearSensors();
    await Promise.all([inventory.showInventory(), poll(mine)]);
    if (mine === generation) document.body.dataset.ready = 'true';
}

function signOut() {
    ++generation;
    clearTimeout(timer);
    forget();
    useToken('');
    delete document.body.dataset.ready;
    showSignIn('Signed out.');
}

const kRefresh = {
    gpio: inventory.showGpio, watchdog: inventory.showWatchdog, performance: inventory.showPerformance,
    uptime: inventory.showUptime, fans: pollSensors,
};

// A control redrawn after its change keeps the keyboard's focus.
document.addEventListener('ombix-changed', async (event) => {
    if (!signedIn()) return;
    const focused = document.activeElement?.id;
    await kRefresh[event.detail]?.();
    if (focused && document.activeElement?.id !== focused) byId(focused)?.focus();
});

document.addEventListener('DOMContentLoaded', () => {
    byId('sign-in').addEventListener('submit', (event) => {
        event.preventDefault();
        signIn(byId('token').value.trim());
        byId('token').value = '';
    });
    byId('sign-out').addEventListener('click', signOut);
    byId('interval').addEventListener('change', () => {
        clearTimeout(timer);
        const mine = generation;
        if (signedIn()) timer = setTimeout(() => poll(mine), Number(byId('interval').value));
    });
    const token = storedToken();
    // Without a token nothing is asked: a refused request would be the
    // first thing the console shows. A server without tokens takes any.
    if (token) signIn(token);
    else showSignIn('');
});

