// The machine-readable contract of ombixd's HTTP API, an OpenAPI 3.1
// document generated from the call and record tables: one operation per call
// (its parameter list, result object, error object and refusals), GET /calls,
// GET /metrics and GET /openapi.json itself. ombixd serves it and
// `ombix calls --json` prints it.
#ifndef OMBIX_OPENAPI_OPENAPI_DOCUMENT_H
#define OMBIX_OPENAPI_OPENAPI_DOCUMENT_H

#include <jansson.h>

namespace ombix::openapi {

// A new document, owned by the caller; null when memory ran out.
json_t *build_document();

}  // namespace ombix::openapi

#endif
