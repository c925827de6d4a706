#include "metrics_endpoint.h"

#include <prometheus/text_serializer.h>

#include <chrono>

#include "board_metrics.h"
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
        std::vector<prometheus::MetricFamily> families = board_families(deadline);
        prometheus::MetricFamily took{"ombix_board_read_duration_seconds",
                                      "Time the board reads of this scrape took.",
                                      prometheus::MetricType::Gauge,
                                      {}};
        took.metric.emplace_back();
        took.metric.back().gauge.value =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        families.push_back(std::move(took));
        // Collected after the board reads, so that their failures show in this scrape.
        for (prometheus::MetricFamily &family : server_families()) families.push_back(std::move(family));
        answer.body = prometheus::TextSerializer().Serialize(families);
        answer.content_type = kExpositionType;
    } catch (const std::exception &) {
        return error_answer(503, kOutOfMemory);
    }
    return answer;
}

}  // namespace ombixd
