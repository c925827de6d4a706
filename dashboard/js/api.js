// Requests to ombixd. Every data request carries the token the user typed;
// calls go through the same POST /call/<name> endpoints as every client.

let bearer = '';

export function useToken(token) {
    bearer = token;
}

// A call or request that did not succeed: `code` is the board's or the
// protocol's code when the call ran, null when the server refused it
// (`status` and `reason` then say why).
export class CallFailure extends Error {
    constructor(call, code, status, reason) {
        super(reason || `${call} failed with code ${code}`);
        this.call = call;
        this.code = code;
        this.status = status;
        this.reason = reason;
    }
}

async function request(method, path, body) {
    const headers = { Authorization: `Bearer ${bearer}` };
    if (body !== undefined) headers['Content-Type'] = 'application/json';
    let response;
    try {
        response = await fetch(path, { method, headers, body, cache: 'no-store' });
    } catch (error) {
        return { status: 0, json: { error: `the server cannot be reached (${error.message})` } };
    }
    let json = null;
    try {
        json = await response.json();
    } catch {
        json = null;
    }
    return { status: response.status, json };
}

// Who the token is, its role, the calls it may make and the code texts.
export async function fetchSession() {
    const answer = await request('GET', '/session');
    if (answer.status !== 200 || answer.json === null || !Array.isArray(answer.json.calls))
        throw new CallFailure('session', null, answer.status, answer.json?.error || `HTTP ${answer.status}`);
    return answer.json;
}

// A record travels as a list of named values; the page reads it as an object.
export function record(values) {
    const fields = {};
    for (const value of values || []) fields[value.i] = value.v;
    return fields;
}

// Runs `name` (without its "Ombix" prefix) with `params` in the call's order;
// resolves to its outputs by name, rejects with a CallFailure.
export async function call(name, params = {}) {
    const list = Object.entries(params).map(([i, v]) => ({ i, v }));
    const answer = await request('POST', `/call/Ombix${name}`, list.length ? JSON.stringify(list) : undefined);
    const ret = answer.json?.ret;
    if (answer.status !== 200 || typeof ret !== 'number')
        throw new CallFailure(name, null, answer.status, answer.json?.error || `HTTP ${answer.status}`);
    if (ret !== 0 && ret !== 16) throw new CallFailure(name, ret, answer.status, null);
    return record(answer.json.outs);
}
