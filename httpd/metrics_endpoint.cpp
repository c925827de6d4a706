#include "metrics_endpoint.h"

#include <prometheus/text_serializer.h>

#include <chrono>

#include "board_metrics.h"
#include "exposition_writer.h"
#include "server_metrics.h"

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

const std::string &metrics_token(const std::string &calls_token) {
    static const std::string none;
    switch (current.access) {
        case MetricsSettings::Access::SameAsCalls: return calls_token;
        case MetricsSettings::Access::OwnToken: return current.token;
        case MetricsSettings::Access::Open: break;
    }
    return none;
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
