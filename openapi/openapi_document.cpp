#include "openapi_document.h"

#include <cstdint>
#include <string>

#include "call_description.h"
#include "records.h"

namespace ombix::openapi {
namespace {

using calls::Member;
using calls::Role;

// Every jansson constructor below may return null without memory; json_pack
// and the setters then fail too, and the document comes out null.
json_t *integer_schema(unsigned bits, bool is_signed) {
    const json_int_t low = is_signed ? -(json_int_t{1} << (bits - 1)) : 0;
    const json_int_t high = is_signed ? (json_int_t{1} << (bits - 1)) - 1 : (json_int_t{1} << bits) - 1;
    return json_pack("{s:s, s:I, s:I}", "type", "integer", "minimum", low, "maximum", high);
}

json_t *base64_schema(bool nullable) {
    return json_pack("{s:o, s:s}", "type", nullable ? json_pack("[s,s]", "string", "null") : json_string("string"),
                     "contentEncoding", "base64");
}

json_t *record_ref(const RecordLayout *record) {
    return json_pack("{s:s+}", "$ref", "#/components/schemas/", record->name);
}

json_t *field_schema(const Field &f) {
    switch (f.kind) {
        case FieldKind::Text: return json_pack("{s:s}", "type", "string");
        case FieldKind::Int32: return integer_schema(32, true);
        case FieldKind::Uint32: return integer_schema(32, false);
        case FieldKind::Uint16: return integer_schema(16, false);
        case FieldKind::Uint8: return integer_schema(8, false);
        case FieldKind::Float32: return json_pack("{s:s}", "type", "number");
        case FieldKind::Bytes: return base64_schema(false);
    }
    return json_object();
}

// A named value {"i": name, "v": value}, the element of every value list.
json_t *named_value(const char *name, json_t *value_schema) {
    return json_pack("{s:s, s:[s,s], s:{s:{s:s}, s:o}}", "type", "object", "required", "i", "v", "properties", "i",
                     "const", name, "v", value_schema);
}

// A value list of exactly these elements, in this order.
json_t *value_list(json_t *elements) {
    const json_int_t n = static_cast<json_int_t>(json_array_size(elements));
    return json_pack("{s:s, s:o, s:I, s:I, s:b}", "type", "array", "prefixItems", elements, "minItems", n, "maxItems",
                     n, "items", 0);
}

json_t *record_schema(const RecordLayout &record) {
    json_t *fields = json_array();
    for (std::size_t k = 0; k < record.count; ++k)
        json_array_append_new(fields, named_value(record.fields[k].key, field_schema(record.fields[k])));
    json_t *schema = value_list(fields);
    json_object_set_new(schema, "description",
                        json_pack("s+", "The record ", record.name, " as a value list of its fields, in order."));
    return schema;
}

json_t *parameter_schema(const Member &m) {
    switch (m.role) {
        case Role::Text: return json_pack("{s:[s,s]}", "type", "string", "null");
        case Role::WriteBytes: return base64_schema(true);
        case Role::ReadSwitch:
            return json_pack("{s:s}", "description", "null asks for no buffer; any other value asks for one");
        default: return integer_schema(m.bits, m.is_signed);
    }
}

json_t *output_schema(const Member &m) {
    switch (m.role) {
        case Role::ReadBytes:
        case Role::ReadSwitch: return base64_schema(true);
        case Role::Record: return record_ref(m.record);
        case Role::RecordList: return json_pack("{s:s, s:o}", "type", "array", "items", record_ref(m.record));
        case Role::Description: return base64_schema(false);
        default: return integer_schema(m.bits, m.is_signed);
    }
}

// A value each parameter accepts: 0, one record for a list, no bytes.
json_t *example_value(const Member &m) {
    switch (m.role) {
        case Role::Text: return json_string("");
        case Role::WriteBytes:
        case Role::ReadSwitch: return json_null();
        case Role::ListCount: return json_integer(1);
        default: return json_integer(0);
    }
}

json_t *json_content(json_t *schema) {
    return json_pack("{s:{s:o}}", "application/json", "schema", schema);
}

json_t *refusal(const char *description) {
    return json_pack("{s:s, s:o}", "description", description, "content",
                     json_content(json_pack("{s:s}", "$ref", "#/components/schemas/Refusal")));
}

json_t *call_operation(const calls::CallDescription &call) {
    json_t *parameters = json_array();
    json_t *outputs = json_array();
    json_t *example = json_array();
    for (std::size_t k = 0; k < call.member_count; ++k) {
        const Member &m = call.members[k];
        if (calls::is_parameter(m.role)) {
            json_array_append_new(parameters, named_value(m.name, parameter_schema(m)));
            json_array_append_new(example, json_pack("{s:s, s:o}", "i", m.name, "v", example_value(m)));
        }
        if (calls::is_output(m.role)) json_array_append_new(outputs, named_value(m.name, output_schema(m)));
    }
    json_t *result = json_pack("{s:s, s:[s,s], s:{s:{s:s, s:I, s:I}, s:{s:[{s:I}, o]}}}", "type", "object", "required",
                               "ret", "outs", "properties", "ret", "type", "integer", "minimum",
                               static_cast<json_int_t>(INT32_MIN), "maximum", static_cast<json_int_t>(INT32_MAX),
                               "outs", "anyOf", "maxItems", json_int_t{0}, value_list(outputs));
    json_object_set_new(
        result, "description",
        json_string("The return code; the outputs travel only with codes 0 and 16, else outs is empty."));
    const bool takes_parameters = call.parameter_count > 0;
    json_t *body_schema = takes_parameters ? value_list(parameters)
                                           : json_pack("{s:[{s:s, s:I}, {s:s}]}", "anyOf", "type", "array", "maxItems",
                                                       json_int_t{0}, "type", "null");
    if (!takes_parameters) json_decref(parameters);
    json_t *request = json_pack("{s:b, s:{s:{s:o, s:o}}}", "required", takes_parameters, "content", "application/json",
                                "schema", body_schema, "example", example);
    json_t *responses = json_pack(
        "{s:{s:s, s:o}, s:{s:s, s:o}, s:o, s:o, s:o, s:o, s:o}", "200", "description",
        "The result object: the call ran, or its parameters did not match (65543).", "content", json_content(result),
        "400", "description",
        "The error object (a parameter list of the wrong length), or a refusal of a body that is not JSON, is "
        "nested too deeply or carries a bad Ombix-Request-Id.",
        "content",
        json_content(json_pack("{s:[{s:s},{s:s}]}", "oneOf", "$ref", "#/components/schemas/ErrorObject", "$ref",
                               "#/components/schemas/Refusal")),
        "401", refusal("A token is required and the bearer token is missing or wrong."), "403",
        refusal("The call needs a higher role than the token's."), "409",
        refusal("A request id older than the client's last, or a repeat whose answer is no longer kept."), "413",
        refusal("The body is longer than 524288 bytes."), "503",
        refusal("Too many connections, or no memory to run the call (it may have reached the board)."));
    return json_pack("{s:{s:s, s:s, s:s, s:[{s:s, s:s, s:b, s:{s:s, s:s}}], s:o, s:o}}", "post", "operationId",
                     call.name, "summary", call.name, "x-ombix-role", calls::privilege_name(call.privilege),
                     "parameters", "name", "Ombix-Request-Id", "in", "header", "required", 0, "schema", "type",
                     "string", "pattern", "^[0-9A-Fa-f]{1,16}-[0-9A-Fa-f]{1,16}$", "requestBody", request, "responses",
                     responses);
}

json_t *fixed_paths() {
    return json_pack(
        "{s:{s:{s:s, s:s, s:{s:{s:s, s:o}, s:o}}},"
        " s:{s:{s:s, s:s, s:{s:{s:s, s:{s:{s:{s:s}}}}, s:o}}},"
        " s:{s:{s:s, s:s, s:{s:{s:s, s:{s:{s:{s:s}}}}}}}}",
        "/calls", "get", "operationId", "listCalls", "summary", "The names of the calls served", "responses", "200",
        "description", "The call names", "content",
        json_content(json_pack("{s:s, s:{s:s}}", "type", "array", "items", "type", "string")), "401",
        refusal("A token is required and the bearer token is missing or wrong."),
        //
        "/metrics", "get", "operationId", "scrapeMetrics", "summary",
        "The board's sensors, fans, batteries and counters, and the server's own counters", "responses", "200",
        "description", "The Prometheus text exposition format, version 0.0.4", "content", "text/plain", "schema",
        "type", "string", "401", refusal("A token is required for /metrics and the bearer token is missing or wrong."),
        //
        "/openapi.json", "get", "operationId", "describeApi", "summary", "This document", "responses", "200",
        "description", "The OpenAPI document of the HTTP API", "content", "application/json", "schema", "type",
        "object");
}

// What the caller's token may do, for clients that offer only those calls.
json_t *session_path() {
    json_t *schema = json_pack(
        "{s:s, s:[s,s,s,s,s], s:{s:{s:s}, s:{s:s, s:[s,s,s]}, s:{s:s, s:{s:s}}, s:{s:s, s:{s:s}}, s:{s:s}}}", "type",
        "object", "required", "name", "role", "calls", "codes", "otherCode", "properties", "name", "type", "string",
        "role", "type", "string", "enum", "reader", "operator", "admin", "calls", "type", "array", "items", "type",
        "string", "codes", "type", "object", "additionalProperties", "type", "string", "otherCode", "type", "string");
    return json_pack("{s:{s:s, s:s, s:{s:{s:s, s:o}, s:o}}}", "get", "operationId", "describeSession", "summary",
                     "The caller's name and role, the calls it may make and the texts of the codes", "responses", "200",
                     "description", "The session", "content", json_content(schema), "401",
                     refusal("A token is required and the bearer token is missing or wrong."));
}

json_t *components() {
    json_t *schemas = json_pack("{s:{s:s, s:[s], s:{s:{s:s}}}, s:{s:s, s:[s,s], s:{s:{s:s}, s:{s:s}}}}", "Refusal",
                                "type", "object", "required", "error", "properties", "error", "type", "string",
                                "ErrorObject", "type", "object", "required", "error", "errorMsg", "properties", "error",
                                "type", "string", "errorMsg", "type", "object");
    for (const RecordLayout *record : all_records()) json_object_set_new(schemas, record->name, record_schema(*record));
    return json_pack("{s:o, s:{s:{s:s, s:s, s:s}}}", "schemas", schemas, "securitySchemes", "bearer", "type", "http",
                     "scheme", "bearer", "description",
                     "Required when ombixd runs with a token file; /metrics may have a token of its own or none.");
}

}  // namespace

json_t *build_document() {
    json_t *paths = fixed_paths();
    json_object_set_new(paths, "/session", session_path());
    for (const calls::CallDescription *call : calls::all())
        json_object_set_new(paths, (std::string("/call/") + call->name).c_str(), call_operation(*call));
    json_t *document = json_pack(
        "{s:s, s:{s:s, s:s, s:s}, s:[{s:s}], s:[{s:[]}, {}], s:o, s:o}", "openapi", "3.1.0", "info", "title",
        "ombix board API", "version", "1.0.0", "description",
        "Each call of the board API is a POST of its parameter list (an array of named values {\"i\": name, "
        "\"v\": value}, in order) to /call/<call name>; the answer is the result object.",
        "servers", "url", "http://127.0.0.1:8711", "security", "bearer", "components", components(), "paths", paths);
    return document;
}

}  // namespace ombix::openapi
