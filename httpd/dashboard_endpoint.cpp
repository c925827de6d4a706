#include "dashboard_endpoint.h"

#include <new>

#include "dashboard_assets.h"

namespace ombixd {
namespace {

constexpr std::string_view kPrefix = "/dashboard/";

// Scripts and styles only from the server itself, none inline, no frames, no
// forms posted elsewhere: a value shown from the board can never run as code.
#define OMBIXD_PAGE_SECURITY                                                                                   \
    "Content-Security-Policy: default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self' data:; " \
    "connect-src 'self'; object-src 'none'; base-uri 'none'; frame-ancestors 'none'; form-action 'none'\r\n"   \
    "X-Content-Type-Options: nosniff\r\nReferrer-Policy: no-referrer\r\n"

// The page is checked on every load, so that an upgraded ombixd shows its own
// page at once; its files may be kept a few minutes. Without conditional
// requests a short life is what keeps a page and its files from two versions
// apart for long.
constexpr char kPageHeaders[] = OMBIXD_PAGE_SECURITY "Cache-Control: no-cache";
constexpr char kFileHeaders[] = OMBIXD_PAGE_SECURITY "Cache-Control: max-age=300";
#undef OMBIXD_PAGE_SECURITY

bool ends_with(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

const DashboardAsset *find_asset(std::string_view path) {
    for (std::size_t k = 0; k < kDashboardAssetCount; ++k)
        if (path == kDashboardAssets[k].path) return &kDashboardAssets[k];
    return nullptr;
}

}  // namespace

const char *dashboard_content_type(std::string_view path) noexcept {
    if (ends_with(path, ".html")) return "text/html; charset=utf-8";
    if (ends_with(path, ".css")) return "text/css; charset=utf-8";
    if (ends_with(path, ".js")) return "text/javascript; charset=utf-8";
    if (ends_with(path, ".svg")) return "image/svg+xml";
    return "application/octet-stream";
}

bool answer_dashboard(std::string_view method, const std::string &path, Answer &answer) noexcept {
    const bool page = path == "/" || path == "/index.html";
    if (!page && path.compare(0, kPrefix.size(), kPrefix) != 0) return false;
    if (method != "GET") {
        answer = error_answer(405, "use GET", "Allow: GET");
        return true;
    }
    const std::string_view file = page ? std::string_view("/dashboard/index.html") : std::string_view(path);
    const DashboardAsset *asset = find_asset(file);
    if (asset == nullptr) {
        answer = error_answer(404, "no such endpoint");
        return true;
    }
    try {
        answer = Answer{};
        answer.body.assign(reinterpret_cast<const char *>(asset->bytes), asset->size);
    } catch (const std::bad_alloc &) {
        answer = error_answer(503, kOutOfMemory);
        return true;
    }
    answer.content_type = dashboard_content_type(file);
    answer.header = page ? kPageHeaders : kFileHeaders;
    return true;
}

}  // namespace ombixd
