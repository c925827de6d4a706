// The dashboard page: GET / and GET /dashboard/<file>, answered from the
// files built into ombixd. They take no token: the page holds no board data,
// and every request it makes for data carries the token its user typed.
#ifndef OMBIXD_DASHBOARD_ENDPOINT_H
#define OMBIXD_DASHBOARD_ENDPOINT_H

#include <string>
#include <string_view>

#include "request_handler.h"

namespace ombixd {

// True when `path` belongs to the page; `answer` is then set: 200 with the
// file, 404 for a file the page does not have, 405 for a method but GET.
bool answer_dashboard(std::string_view method, const std::string &path, Answer &answer) noexcept;

// The Content-Type of a page file, by its extension.
const char *dashboard_content_type(std::string_view path) noexcept;

}  // namespace ombixd

#endif
