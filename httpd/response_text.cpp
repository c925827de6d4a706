#include "response_text.h"

#include "server_metrics.h"

namespace ombixd {
namespace {

const char *reason(unsigned status) {
    switch (status) {
        case 200: return "OK";
        case 400: return "Bad Request";
        case 401: return "Unauthorized";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 409: return "Conflict";
        case 413: return "Content Too Large";
        case 431: return "Request Header Fields Too Large";
        case 501: return "Not Implemented";
        case 503: return "Service Unavailable";
        case 505: return "HTTP Version Not Supported";
        default: return "Unknown";
    }
}

}  // namespace

void append_response(const Answer &answer, Persistence persistence, std::string &out) {
    out += "HTTP/1.1 ";
    out += std::to_string(answer.status);
    out += ' ';
    out += reason(answer.status);
    out += "\r\nContent-Type: ";
    out += answer.content_type;
    out += "\r\nContent-Length: ";
    out += std::to_string(answer.body.size());
    out += "\r\n";
    if (answer.header != nullptr) {
        out += answer.header;
        out += "\r\n";
    }
    if (persistence == Persistence::Close)
        out += "Connection: close\r\n";
    else if (persistence == Persistence::KeepAliveHttp10)
        out += "Connection: keep-alive\r\n";
    out += "\r\n";
    out += answer.body;
    count_answer(answer.status);
}

}  // namespace ombixd
