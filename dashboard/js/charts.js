// Line charts of sensor values over the last minutes, drawn as plain SVG.

const kSvg = 'http://www.w3.org/2000/svg';
const kWindowMs = 5 * 60 * 1000;
const kHeight = 180;
const kLeft = 44;
const kBottom = 18;

// The readings of one chart: series by name, each a list of [time, value].
export class History {
    constructor() {
        this.series = new Map();
    }

    add(name, time, value) {
        if (!this.series.has(name)) this.series.set(name, []);
        const points = this.series.get(name);
        points.push([time, value]);
        while (points.length > 0 && points[0][0] < time - kWindowMs) points.shift();
    }
}

function svg(tag, attributes) {
    const node = document.createElementNS(kSvg, tag);
    for (const [name, value] of Object.entries(attributes)) node.setAttribute(name, value);
    return node;
}

function bounds(history) {
    let low = Infinity;
    let high = -Infinity;
    for (const points of history.series.values())
        for (const [, value] of points) {
            low = Math.min(low, value);
            high = Math.max(high, value);
        }
    if (!Number.isFinite(low)) return [0, 1];
    if (high - low < 1e-9) return [low - 1, high + 1];
    const margin = (high - low) * 0.1;
    return [low - margin, high + margin];
}

// An SVG chart of `history`, drawn at `width` pixels so that its text is
// never stretched; `label` names it for screen readers, whose summary is
// the latest value of each series.
export function drawChart(history, label, unit, now, width) {
    const chartWidth = Math.max(280, Math.round(width || 600));
    const [low, high] = bounds(history);
    // The time axis spans the readings kept, up to the last five minutes.
    let start = now;
    for (const points of history.series.values()) if (points.length) start = Math.min(start, points[0][0]);
    start = Math.max(start, now - kWindowMs);
    const span = Math.max(1000, now - start);
    const x = (time) => kLeft + ((time - (now - span)) / span) * (chartWidth - kLeft);
    const y = (value) => (kHeight - kBottom) * (1 - (value - low) / (high - low));
    const latest = [...history.series].map(([name, points]) => `${name} ${points.at(-1)?.[1]} ${unit}`).join(', ');
    const chart = svg('svg', { class: 'chart', viewBox: `0 0 ${chartWidth} ${kHeight}`, role: 'img',
        'aria-label': `${label}: ${latest}` });
    for (let k = 0; k <= 4; ++k) {
        const value = low + ((high - low) * k) / 4;
        chart.append(svg('line', { class: 'grid-line', x1: kLeft, x2: chartWidth, y1: y(value), y2: y(value) }));
        const text = svg('text', { x: 2, y: Math.max(10, y(value) - 2) });
        text.textContent = `${Number(value.toFixed(1))}`;
        chart.append(text);
    }
    const axis = svg('text', { x: kLeft, y: kHeight - 4 });
    axis.textContent = `last ${span >= 60000 ? `${Math.round(span / 60000)} min` : `${Math.round(span / 1000)} s`}, ${unit}`;
    chart.append(axis);
    let index = 0;
    for (const points of history.series.values()) {
        const d = points.map(([time, value], k) => `${k ? 'L' : 'M'}${x(time).toFixed(1)},${y(value).toFixed(1)}`);
        chart.append(svg('path', { class: `s${index++ % 6}`, d: d.join(' ') }));
    }
    return chart;
}
