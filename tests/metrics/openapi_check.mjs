// Validates the OpenAPI document of ombixd with a validator made for it, then
// sends every operation's example request as the document describes it and
// expects 200 from the server.
//   node openapi_check.mjs VALIDATOR_DIR DOCUMENT_FILE BASE_URL
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { pathToFileURL } from "node:url";

const [validatorDir, documentFile, baseUrl] = process.argv.slice(2);
const require = createRequire(pathToFileURL(validatorDir + "/"));
const { Validator } = await import(pathToFileURL(require.resolve("@seriousme/openapi-schema-validator")));

let passed = 0;
let failed = 0;
const check = (ok, what) => {
  if (ok) passed++;
  else failed++;
  if (!ok) console.error("FAIL: " + what);
};

const document = JSON.parse(readFileSync(documentFile, "utf8"));
const served = await (await fetch(baseUrl + "/openapi.json")).json();
check(JSON.stringify(served) === JSON.stringify(document), "GET /openapi.json equals ombix calls --json");

const validator = new Validator();
const verdict = await validator.validate(document);
check(verdict.valid && validator.version === "3.1", "the document is valid OpenAPI 3.1: " + JSON.stringify(verdict.errors));

let operations = 0;
for (const [path, item] of Object.entries(document.paths)) {
  for (const [method, operation] of Object.entries(item)) {
    operations++;
    const media = operation.requestBody?.content?.["application/json"];
    const request = { method: method.toUpperCase() };
    if (media && media.example !== undefined) {
      request.body = JSON.stringify(media.example);
      request.headers = { "Content-Type": "application/json" };
    }
    const answer = await fetch(baseUrl + path, request);
    const text = await answer.text();
    check(answer.status === 200, `${method.toUpperCase()} ${path}: ${answer.status} ${text}`);
  }
}
check(operations === 92, `92 operations (88 calls, /calls, /metrics, /openapi.json, /session), found ${operations}`);
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
