// What the board is and has: read when the page signs in (and again on
// "Refresh" or after a control changed something), not at every poll.

import { call, record } from './api.js';
import { definitions, duration, el, failureNote, failureText, fill, hex, missingNote, table } from './format.js';
import { gpioControls, performanceControls, watchdogControls, backlightControls } from './controls.js';

// Byte buffers travel as base64.
function bytes(base64) {
    try {
        return Uint8Array.from(atob(base64 || ''), (c) => c.charCodeAt(0));
    } catch {
        return new Uint8Array();
    }
}

// A description is 128 bytes holding a NUL-terminated text.
function text(base64) {
    const all = bytes(base64);
    const end = all.indexOf(0);
    return new TextDecoder().decode(end < 0 ? all : all.subarray(0, end));
}

function bytesHex(base64) {
    return [...bytes(base64)].map((b) => b.toString(16).padStart(2, '0')).join(' ');
}

// The outputs of a call, or the failure, so that one failed call marks its
// own value and the rest still show.
async function attempt(name, params) {
    try {
        return { outs: await call(name, params) };
    } catch (failure) {
        return { failure };
    }
}

function shown(result, pick) {
    return result.failure ? el('span', { class: 'error' }, failureText(result.failure)) : pick(result.outs);
}

async function listOf(countCall, countName, listCall, listName, extra = {}) {
    const count = await attempt(countCall, extra);
    if (count.failure) return count;
    const n = count.outs[countName];
    if (n <= 0) return { records: [] };
    const list = await attempt(listCall, { ...extra, [countName]: n });
    return list.failure ? list : { records: (list.outs[listName] || []).map(record) };
}

export async function showIdentity() {
    const [board, version, cpu, memory] = await Promise.all([attempt('GetBoardInfo'), attempt('GetLibVersion'),
        attempt('GetCpuInfo'), attempt('GetMemoryInfo')]);
    const b = board.outs ? record(board.outs.boardInfo) : {};
    const c = cpu.outs ? record(cpu.outs.cpuInfo) : {};
    const m = memory.outs ? record(memory.outs.memoryInfo) : {};
    const v = version.outs ? record(version.outs.libVersion) : {};
    if (b.boardName) document.getElementById('title').textContent = `${b.boardName} — ombix board`;
    fill('identity', definitions([
        ['Board', shown(board, () => `${b.boardManufacturer} ${b.boardName} ${b.boardVersion}`)],
        ['Serial number', shown(board, () => b.boardSerialNumber)],
        ['BIOS', shown(board, () => `${b.biosVersion} (${b.biosDate})`)],
        ['CPU', shown(cpu, () => `${c.cpuName}: ${c.cpuCount} × ${c.cpuCoreCount} cores, ${c.cpuThreadCount} threads, ` +
            `max core speed ${Number(Number(c.cpuMaxCoreSpeed).toPrecision(4))}`)],
        ['Memory', shown(memory, () => `${m.memTotal} MB, ${m.memFree} MB free, ${m.memType} ${m.memSpeed} MHz`)],
        ['Library', shown(version, () => `${v.OmbixVersionText} (${hex(v.OmbixVersion, 8)})`)],
    ]));
}

export async function showUptime() {
    const [up, boots, intruder] = await Promise.all([attempt('SystemUpTime'), attempt('GetBootCounter'),
        attempt('GetIntruderStatus')]);
    fill('uptime', definitions([
        ['Up time', shown(up, (o) => el('span', { 'data-value': 'uptime' }, duration(o.systemUpTime)))],
        ['Boots', shown(boots, (o) => el('span', { 'data-value': 'boots' }, String(o.bootCount)))],
        ['Intruder', shown(intruder, (o) => (o.intruderStatus ? 'case opened' : 'none detected'))],
    ]));
}

export async function showBatteries() {
    const count = await attempt('GetBatteryCount');
    if (count.failure) return fill('batteries', failureNote(count.failure));
    if (count.outs.batteryCount <= 0) return fill('batteries', missingNote('This board has no batteries.'));
    const rows = await Promise.all([...Array(count.outs.batteryCount).keys()].map(async (slot) => {
        const [info, state] = await Promise.all([attempt('GetBatteryInfo', { slotNr: slot }),
            attempt('GetBatteryState', { slotNr: slot })]);
        const i = info.outs ? record(info.outs.batteryInfo) : {};
        const s = state.outs ? record(state.outs.batteryState) : {};
        return [String(slot), shown(info, () => i.deviceName),
            shown(state, () => `${s.remainingCapacity} of ${i.fullyChargedCapacity ?? '?'} mWh`),
            shown(state, () => `${s.currentVoltage} mV`), shown(state, () => `${s.remainingTime} min`)];
    }));
    fill('batteries', table('Batteries', ['Slot', 'Name', 'Charge', 'Voltage', 'Remaining'], rows));
}

export async function showNetwork() {
    const list = await listOf('GetNetworkDeviceCount', 'networkDeviceCount', 'GetNetworkDeviceList', 'networkDevices');
    if (list.failure) return fill('network', failureNote(list.failure));
    if (list.records.length === 0) return fill('network', missingNote('This board has no network devices.'));
    fill('network', table('Network devices', ['Device', 'Address', 'MAC', 'Speed (Mbit/s)'],
        list.records.map((d) => [d.deviceName, d.ip, d.mac, String(d.speed)])));
}

export async function showPci() {
    const list = await listOf('GetPciDeviceCount', 'pciDeviceCount', 'GetPciDeviceList', 'pciDevices');
    if (list.failure) return fill('pci', failureNote(list.failure));
    if (list.records.length === 0) return fill('pci', missingNote('This board has no PCI devices.'));
    fill('pci', table('PCI devices', ['Address', 'Vendor', 'Device', 'Class'],
        list.records.map((d) => [`${hex(d.domain, 4).slice(2)}:${hex(d.bus, 2).slice(2)}:${hex(d.slot, 2).slice(2)}.${d.funct}`,
            `${d.vendorName} (${hex(d.vendorId, 4)})`, `${d.deviceName} (${hex(d.deviceId, 4)})`, d.className])));
}

export async function showDisks() {
    const [drives, partitions] = await Promise.all([
        listOf('GetDiskDriveCount', 'diskDriveCount', 'GetDiskDriveList', 'diskDrives'),
        listOf('GetDiskDrivePartitionCount', 'diskPartitionCount', 'GetDiskDrivePartitionList', 'pDiskPartitionData')]);
    const parts = [];
    if (drives.failure) parts.push(failureNote(drives.failure));
    else if (drives.records.length === 0) parts.push(missingNote('This board has no disks.'));
    else parts.push(table('Disks', ['#', 'Name', 'Model', 'Serial number', 'Size (MB)'],
        drives.records.map((d, k) => [String(k), d.name, d.model, d.diskSerialNumber, String(d.size)])));
    parts.push(el('h3', {}, 'Partitions'));
    if (partitions.failure) parts.push(failureNote(partitions.failure));
    else if (partitions.records.length === 0) parts.push(missingNote('No partitions.'));
    else parts.push(table('Partitions', ['Name', 'File system', 'Size (MB)', 'Free (MB)'],
        partitions.records.map((p) => [p.name, p.fsType, String(p.partitionSize), String(p.freeSpace)])));
    const smart = await Promise.all((drives.records || []).map((drive, k) =>
        listOf('GetDiskDriveSMARTAttrCount', 'attrCount', 'GetDiskDriveSMARTAttrs', 'attrs', { diskNr: k })));
    for (const [k, attrs] of smart.entries()) {
        parts.push(el('h3', {}, `SMART attributes of disk ${k}`));
        if (attrs.failure) parts.push(failureNote(attrs.failure));
        else if (attrs.records.length === 0) parts.push(missingNote('No SMART attributes.'));
        else parts.push(table(`SMART attributes of disk ${k}`, ['ID', 'Value', 'Worst', 'Flags', 'Raw'],
            attrs.records.map((a) => [String(a.attrID), String(a.attrValue), String(a.worstValue), hex(a.statusFlags, 4),
                bytesHex(a.rawValue)])));
    }
    fill('disks', parts);
}

export async function showGpio() {
    const count = await attempt('GpioGetCount');
    if (count.failure) return fill('gpio', failureNote(count.failure));
    const n = Math.min(count.outs.gpioCount, 64);
    if (n === 0) return fill('gpio', missingNote('This board has no GPIO lines.'));
    // All lines at once: the browser spreads them over its connections.
    const rows = await Promise.all([...Array(n).keys()].map(async (line) => {
        const [direction, level] = await Promise.all([attempt('GpioGetDirection', { gpioNr: line }),
            attempt('GpioGetLevel', { gpioNr: line })]);
        return [String(line),
            shown(direction, (o) => el('span', { 'data-value': `gpio-direction-${line}` }, o.direction ? 'output' : 'input')),
            shown(level, (o) => el('span', { 'data-value': `gpio-level-${line}` }, String(o.level))),
            gpioControls(line, direction.outs?.direction, level.outs?.level)];
    }));
    fill('gpio', table('GPIO lines', ['Line', 'Direction', 'Level', 'Set'], rows));
}

export async function showWatchdog() {
    const cap = await attempt('WatchdogGetCap');
    if (cap.failure) return fill('watchdog', failureNote(cap.failure), watchdogControls(0));
    if (cap.outs.maxTimeout <= 0) return fill('watchdog', missingNote('This board has no watchdog.'));
    fill('watchdog', definitions([['Longest timeout',
        el('span', { 'data-value': 'watchdog-max' }, `${cap.outs.maxTimeout} s`)]]), watchdogControls(cap.outs.maxTimeout));
}

export async function showPerformance() {
    const [state, caps, displays] = await Promise.all([attempt('GetPerformanceState'), attempt('PerformanceStateCaps'),
        attempt('GetDisplayCount')]);
    const offered = [...Array(32).keys()].filter((k) => caps.outs && (caps.outs.statesMask >>> k) & 1);
    const states = await Promise.all(offered.map(async (k) => {
        const description = await attempt('GetPerformanceStateDescription', { state: k });
        return [k, description.outs ? text(description.outs.description) : ''];
    }));
    const rows = [['Performance state', shown(state, (o) => el('span', { 'data-value': 'performance' },
        String(o.state)))]];
    const backlights = [];
    if (displays.failure) rows.push(['Displays', shown(displays, () => '')]);
    else if (displays.outs.displayCount <= 0) rows.push(['Displays', missingNote('none')]);
    else {
        const values = await Promise.all([...Array(displays.outs.displayCount).keys()].map((k) =>
            attempt('GetBacklightValue', { displayNr: k })));
        for (const [k, value] of values.entries()) {
            rows.push([`Backlight ${k}`, shown(value, (o) => el('span', { 'data-value': `backlight-${k}` },
                `${o.backlight}`))]);
            backlights.push(backlightControls(k, value.outs?.backlight));
        }
    }
    fill('performance', definitions(rows), performanceControls(states, state.outs?.state), backlights);
}

export async function showInventory() {
    await Promise.all([showIdentity(), showUptime(), showBatteries(), showNetwork(), showPci(), showDisks(),
        showGpio(), showWatchdog(), showPerformance()]);
}
