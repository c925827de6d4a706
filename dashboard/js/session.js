// The signed-in token, kept in this tab's session storage only (never in
// local storage or a cookie), and what the server says it may do.

const kKey = 'ombix.token';

let current = null;

export function storedToken() {
    return sessionStorage.getItem(kKey) || '';
}

export function remember(token, session) {
    sessionStorage.setItem(kKey, token);
    current = { ...session, allowed: new Set(session.calls) };
}

export function forget() {
    sessionStorage.removeItem(kKey);
    current = null;
}

// True when the signed-in role may run the call (named without "Ombix").
export function may(call) {
    return current !== null && current.allowed.has(`Ombix${call}`);
}

export function signedIn() {
    return current;
}
