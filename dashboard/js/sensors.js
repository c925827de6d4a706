// Temperatures, voltages and fans: read at every poll, shown as a chart over
// the last minutes and as a table of the latest values.

import { call, record } from './api.js';
import { History, drawChart } from './charts.js';
import { el, failureNote, fill, missingNote, table } from './format.js';

export const kFanModes = ['automatic', 'manual pwm', 'manual rpm', 'thermal cruise'];

const histories = { temperatures: new History(), voltages: new History(), fans: new History() };

// The list of a count-then-list pair of calls, as records.
async function readList(countCall, countName, listCall, listName) {
    const count = (await call(countCall))[countName];
    if (count <= 0) return [];
    const outs = await call(listCall, { [countName]: count });
    return (outs[listName] || []).map(record);
}

function legend(history, unit) {
    let index = 0;
    return el('ul', { class: 'legend', 'aria-hidden': 'true' },
        [...history.series.keys()].map((name) =>
            el('li', {}, el('span', { class: `swatch s${index++ % 6}` }), name)));
}

function chartArea(id, history, label, unit, now) {
    const width = document.querySelector(`#${id} .body`).clientWidth;
    return [drawChart(history, label, unit, now, width), legend(history, unit)];
}

async function showSensors(id, countCall, countName, listCall, listName, label, unit, scale, none) {
    let sensors;
    try {
        sensors = await readList(countCall, countName, listCall, listName);
    } catch (failure) {
        fill(id, failureNote(failure));
        return;
    }
    if (sensors.length === 0) {
        fill(id, missingNote(none));
        return;
    }
    const now = Date.now();
    sensors.forEach((sensor, k) => histories[id].add(`${k}: ${sensor.name}`, now, sensor.value / scale));
    fill(id, chartArea(id, histories[id], label, unit, now),
        table(`${label}, latest`, ['#', 'Name', `Value (${unit})`],
            sensors.map((sensor, k) => [String(k), sensor.name,
                el('span', { 'data-value': `${id}-${k}` }, String(sensor.value / scale))]), false));
}

async function showFans() {
    let fans;
    try {
        fans = await readList('GetFanCount', 'fanCount', 'GetFanList', 'fans');
    } catch (failure) {
        fill('fans', failureNote(failure));
        return;
    }
    const live = document.querySelector('#fans .live') || fill('fans', el('div', { class: 'live' }),
        el('div', { class: 'fan-controls' })).firstChild;
    if (fans.length === 0) {
        live.replaceChildren(missingNote('This board has no fans.'));
        return;
    }
    const now = Date.now();
    fans.forEach((fan, k) => histories.fans.add(`${k}: ${fan.name}`, now, fan.rpm));
    live.replaceChildren(...chartArea('fans', histories.fans, 'Fan speeds', 'rpm', now),
        table('Fans, latest', ['#', 'Name', 'Speed (rpm)', 'pwm', 'Mode'],
            fans.map((fan, k) => [String(k), fan.name, el('span', { 'data-value': `fans-${k}` }, String(fan.rpm)),
                el('span', { 'data-value': `fans-pwm-${k}` }, String(fan.pwm)),
                kFanModes[fan.method] ?? String(fan.method)]), false));
    document.dispatchEvent(new CustomEvent('ombix-fans', { detail: fans }));
}

export async function pollSensors() {
    await Promise.all([
        showSensors('temperatures', 'GetTempSensorCount', 'tempSensorCount', 'GetTempSensorList', 'tempSensors',
            'Temperatures', '°C', 1, 'This board has no temperature sensors.'),
        showSensors('voltages', 'GetVoltageSensorCount', 'voltageSensorCount', 'GetVoltageSensorList',
            'voltageSensors', 'Voltages', 'V', 1000, 'This board has no voltage sensors.'),
        showFans(),
    ]);
}

export function clearSensors() {
    for (const history of Object.values(histories)) history.series.clear();
}
