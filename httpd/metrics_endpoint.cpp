#include "metrics_endpoint.h"

#include <prometheus/text_serializer.h>

#include <chrono>

#include "board_metrics.h"
#include "exposition_writer.h"
#include "server_metrics.h"
#include "token.h"

namespace ombixd {
namespace {
MetricsSettings current;
}  // namespace

void use_metrics_settings(const MetricsSettings &settings) {
    current = settings;
}

const MetricsSettings &metrics_settings() {
    return current;
}

bool metrics_allowed(const char *authorization, const Keyring &calls_keys, const Key *caller) {
    switch (current.access) {
        case MetricsSettings::Access::SameAsCalls: return !calls_keys.required() || caller != nullptr;
        case MetricsSettings::Access::OwnToken: return authorized(authorization, current.token);
        case MetricsSettings::Access::Open: return true;
    }
    return false;
}

Answer scrape() noexcept {
    Answer answer;
    try {
        const auto started = std::chrono::steady_clock::now();
        const auto deadline = started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                            std::chrono::duration<double>(current.deadline_s));
        answer.body.reserve(8192);
        append_board_families(deadline, answer.body);
        Family took("ombix_board_read_duration_seconds", "Time the board reads of this scrape took.", "gauge");
        took.add({}, std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        took.append(answer.body);
        // Collected after the board reads, so that their failures show in this scrape.
        answer.body += prometheus::TextSerializer().Serialize(server_families());
        answer.content_type = kExpositionType;
    } catch (const std::exception &) {
        return error_answer(503, kOutOfMemory);
    }
    return answer;
}

}  // namespace ombixd
