// The dashboard in headless Chromium on loopback: time to the first complete
// board view and the bytes it transfers, beside the floor measured in the
// same run, a page of the same server holding nothing. The browser is driven
// by dashboard_driver.mjs (puppeteer-core); each iteration is one page load
// timed by the browser side, so the times are manual.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// One driver process for the whole run: a line to it, a line back.
class Driver {
public:
    Driver() {
        int to_child[2];
        int from_child[2];
        if (::pipe(to_child) != 0 || ::pipe(from_child) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(to_child[0], 0);
            ::dup2(from_child[1], 1);
            ::close(to_child[1]);
            ::close(from_child[0]);
            // The build's ombixd and npm packages unless the caller names others.
            ::setenv("OMBIXD", OMBIX_OMBIXD, 0);
            ::setenv("OMBIX_NODE_MODULES", OMBIX_BROWSER_NODE_MODULES, 0);
            ::execl(OMBIX_NODE_PROGRAM, "node", OMBIX_DASHBOARD_DRIVER, static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::close(to_child[0]);
        ::close(from_child[1]);
        to_ = ::fdopen(to_child[1], "w");
        from_ = ::fdopen(from_child[0], "r");
    }
    ~Driver() {
        if (to_ != nullptr) {
            std::fputs("quit\n", to_);
            std::fclose(to_);
        }
        if (from_ != nullptr) std::fclose(from_);
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    }

    // Milliseconds and bytes of one load; false when the driver failed.
    bool load(const char *what, double &milliseconds, double &bytes) {
        if (to_ == nullptr || std::fprintf(to_, "%s\n", what) < 0 || std::fflush(to_) != 0) return false;
        char line[128];
        return std::fgets(line, sizeof line, from_) != nullptr &&
               std::sscanf(line, "%lf %lf", &milliseconds, &bytes) == 2;
    }

private:
    pid_t pid_ = -1;
    FILE *to_ = nullptr;
    FILE *from_ = nullptr;
};

Driver &driver() {
    static Driver instance;
    return instance;
}

void run_loads(benchmark::State &state, const char *what) {
    double bytes = 0;
    for (auto _ : state) {
        double milliseconds = 0;
        if (!driver().load(what, milliseconds, bytes)) {
            state.SkipWithError("the browser driver failed (are the npm packages of tests/browser installed?)");
            return;
        }
        state.SetIterationTime(milliseconds / 1000.0);
    }
    state.counters["bytes"] = bytes;
}

void BM_DashboardFirstView(benchmark::State &state) {
    run_loads(state, "view");
}
void BM_EmptyPageFloor(benchmark::State &state) {
    run_loads(state, "floor");
}

BENCHMARK(BM_EmptyPageFloor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_DashboardFirstView)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
