// Building elements from text (never from markup: board texts are data) and
// saying what a failed call means in the server's words.

let codeTexts = {};
let otherCodeText = 'the board reported a failure';

export function useCodeTexts(session) {
    codeTexts = session.codes || {};
    otherCodeText = session.otherCode || otherCodeText;
}

// "parameters or answer did not match the call (65543)", "... (0x30002)".
export function codeText(code) {
    const number = code >= 0x20000 ? `0x${code.toString(16).toUpperCase()}` : String(code);
    return `${codeTexts[String(code)] || otherCodeText} (${number})`;
}

export function failureText(failure) {
    if (failure && failure.code !== null && failure.code !== undefined)
        return `${failure.call} failed: ${codeText(failure.code)}`;
    if (failure && failure.call) return `${failure.call} refused: ${failure.reason}`;
    return String(failure);
}

export function el(tag, attributes = {}, ...children) {
    const node = document.createElement(tag);
    for (const [name, value] of Object.entries(attributes)) {
        if (value === false || value === null || value === undefined) continue;
        if (name === 'class') node.className = value;
        else if (name.startsWith('on')) node.addEventListener(name.slice(2), value);
        else node.setAttribute(name, value === true ? '' : value);
    }
    for (const child of children.flat(Infinity)) {
        if (child === null || child === undefined || child === false) continue;
        node.append(child instanceof Node ? child : document.createTextNode(String(child)));
    }
    return node;
}

export function failureNote(failure) {
    return el('p', { class: 'error', 'data-code': failure?.code ?? '' }, failureText(failure));
}

export function missingNote(text) {
    return el('p', { class: 'missing', 'data-missing': '' }, text);
}

export function definitions(rows) {
    return el('dl', {}, rows.map(([term, value]) => [el('dt', {}, term), el('dd', {}, value)]));
}

// A table wider than a phone scrolls, and the keyboard must reach it then;
// `scrolls` false for narrow tables redrawn at every poll, which would
// otherwise take the focus away from whoever is on them.
export function table(caption, headings, rows, scrolls = true) {
    const wrap = scrolls ? { class: 'table-wrap', tabindex: 0, role: 'region', 'aria-label': caption } : {};
    return el('div', wrap,
        el('table', {},
            el('caption', { class: 'visually-hidden' }, caption),
            el('thead', {}, el('tr', {}, headings.map((h) => el('th', { scope: 'col' }, h)))),
            el('tbody', {}, rows.map((row) => el('tr', {}, row.map((cell) => el('td', {}, cell)))))));
}

export function duration(seconds) {
    const days = Math.floor(seconds / 86400);
    const hours = Math.floor((seconds % 86400) / 3600);
    const minutes = Math.floor((seconds % 3600) / 60);
    return `${days ? `${days} d ` : ''}${hours} h ${minutes} min ${seconds % 60} s`;
}

export function hex(value, digits) {
    return `0x${(value >>> 0).toString(16).padStart(digits, '0')}`;
}

// Replaces a section's content.
export function fill(sectionId, ...children) {
    const body = document.querySelector(`#${sectionId} .body`);
    body.replaceChildren(...children.flat().filter(Boolean));
    return body;
}
