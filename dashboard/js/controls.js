// The controls a role may use, and only those: the server's /session list
// says which calls the token may make. Every change is a call like any
// other; its outcome shows in the status line, and the section is read again.

import { call } from './api.js';
import { el, failureText } from './format.js';
import { may } from './session.js';

const kModes = [
    { value: 'manual', text: 'manual pwm', call: 'SetFanModeManual', field: 'targetPwm', max: 255 },
    { value: 'rpm', text: 'manual rpm', call: 'SetFanModeManualRpm', field: 'targetRpm', max: 100000 },
    { value: 'cruise', text: 'thermal cruise (°C)', call: 'SetFanModeThermalCruise', field: 'targetTemp', max: 150 },
];

function status(text, failed) {
    const line = document.getElementById('status');
    line.textContent = text;
    line.classList.toggle('error', Boolean(failed));
}

// Runs one change; on success the named sections are read again.
async function act(what, name, params, refresh) {
    status(`${what}…`);
    try {
        await call(name, params);
        status(`${what}: done`);
    } catch (failure) {
        status(`${what}: ${failureText(failure)}`, true);
    }
    document.dispatchEvent(new CustomEvent('ombix-changed', { detail: refresh }));
}

function numberInput(id, label, value, min, max) {
    return [el('label', { for: id }, label),
        el('input', { id, type: 'number', min, max, value: value ?? min, inputmode: 'numeric' })];
}

function valueOf(id) {
    return Number(document.getElementById(id).value);
}

export function gpioControls(line, direction, level) {
    const parts = [];
    if (may('GpioSetDirection'))
        parts.push(el('select', { 'aria-label': `Line ${line} direction`, id: `gpio-set-direction-${line}`,
            onchange: (event) => act(`Line ${line} direction`, 'GpioSetDirection',
                { gpioNr: line, direction: Number(event.target.value) }, 'gpio') },
        el('option', { value: 0, selected: direction === 0 }, 'input'),
        el('option', { value: 1, selected: direction === 1 }, 'output')));
    if (may('GpioSetLevel'))
        parts.push(el('select', { 'aria-label': `Line ${line} level`, id: `gpio-set-level-${line}`,
            disabled: direction !== 1, onchange: (event) => act(`Line ${line} level`, 'GpioSetLevel',
                { gpioNr: line, level: Number(event.target.value) }, 'gpio') },
        el('option', { value: 0, selected: level === 0 }, 'low (0)'),
        el('option', { value: 1, selected: level === 1 }, 'high (1)')));
    return parts.length ? el('div', { class: 'controls' }, parts) : null;
}

// Built once for the fans the board lists, so that polling never takes away
// what the user is typing.
function fanControls(fans) {
    const area = document.querySelector('#fans .fan-controls');
    if (!area || area.dataset.fans === String(fans.length)) return;
    area.dataset.fans = String(fans.length);
    const allowed = kModes.filter((mode) => may(mode.call));
    if (allowed.length === 0) return area.replaceChildren();
    area.replaceChildren(el('h3', {}, 'Set a fan'), ...fans.map((fan, k) => {
        const apply = () => {
            const mode = kModes.find((m) => m.value === document.getElementById(`fan-mode-${k}`).value);
            const target = valueOf(`fan-value-${k}`);
            const params = { fanNr: k, [mode.field]: target };
            if (mode.value === 'cruise') params.toleranceTemp = 2;
            act(`Fan ${k} ${mode.text} ${target}`, mode.call, params, 'fans');
        };
        return el('div', { class: 'controls' },
            el('label', { for: `fan-mode-${k}` }, `Fan ${k} (${fan.name}) mode`),
            el('select', { id: `fan-mode-${k}` }, allowed.map((m) => el('option', { value: m.value }, m.text))),
            numberInput(`fan-value-${k}`, 'to', fan.pwm, 0, 100000),
            el('button', { type: 'button', onclick: apply }, 'Apply'));
    }));
}
document.addEventListener('ombix-fans', (event) => fanControls(event.detail));

export function performanceControls(states, current) {
    if (!may('SetPerformanceState') || states.length === 0) return null;
    return el('div', { class: 'controls' },
        el('label', { for: 'performance-set' }, 'Performance state'),
        el('select', { id: 'performance-set' }, states.map(([k, text]) =>
            el('option', { value: k, selected: k === current }, text ? `${k}: ${text}` : String(k)))),
        el('button', { type: 'button', onclick: () => act('Performance state', 'SetPerformanceState',
            { state: valueOf('performance-set') }, 'performance') }, 'Apply'));
}

export function backlightControls(display, value) {
    if (!may('SetBacklightValue')) return null;
    return el('div', { class: 'controls' },
        numberInput(`backlight-set-${display}`, `Backlight ${display}`, value, 0, 100),
        el('button', { type: 'button', onclick: () => act(`Backlight ${display}`, 'SetBacklightValue',
            { displayNr: display, backlight: valueOf(`backlight-set-${display}`) }, 'performance') }, 'Apply'));
}

export function watchdogControls(maxTimeout) {
    const parts = [];
    if (may('WatchdogEnable'))
        parts.push(numberInput('watchdog-timeout', 'Timeout (s)', Math.min(60, maxTimeout || 60), 1, maxTimeout || 65535),
            el('button', { type: 'button', onclick: () => act('Watchdog enable', 'WatchdogEnable',
                { timeout: valueOf('watchdog-timeout') }, 'watchdog') }, 'Enable'));
    if (may('WatchdogTrigger'))
        parts.push(el('button', { type: 'button', onclick: () => act('Watchdog trigger', 'WatchdogTrigger', {},
            'watchdog') }, 'Trigger'));
    if (may('WatchdogDisable'))
        parts.push(el('button', { type: 'button', onclick: () => act('Watchdog disable', 'WatchdogDisable', {},
            'watchdog') }, 'Disable'));
    return parts.length ? el('div', { class: 'controls' }, parts) : null;
}

// Asks before anything that stops the board; resolves to true on "Confirm".
function confirmAction(text) {
    const dialog = document.getElementById('confirm');
    document.getElementById('confirm-text').textContent = text;
    dialog.returnValue = '';
    dialog.showModal();
    document.getElementById('confirm-cancel').focus();
    return new Promise((resolve) => {
        dialog.addEventListener('close', () => resolve(dialog.returnValue === 'ok'), { once: true });
    });
}

// 1 power off, 2 reboot: the board's system states.
export function powerControls() {
    const section = document.getElementById('power');
    section.hidden = !may('SetSystemState');
    if (section.hidden) return;
    const button = (text, state) => el('button', { type: 'button', class: 'danger', onclick: async () => {
        if (await confirmAction(`${text} the board now? It stops answering until it is back.`))
            act(text, 'SetSystemState', { systemState: state }, 'uptime');
    } }, text);
    section.querySelector('.body').replaceChildren(el('div', { class: 'controls' },
        button('Power off', 1), button('Reboot', 2)));
}
