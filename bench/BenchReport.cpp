#include "BenchReport.h"

#include "DbmsTypes.h"

#include <cstdio>
#include <ctime>
#include <exception>
#include <map>

namespace Bench {
namespace {
struct Mean {
    double Elapsed = 0; // seconds per iteration
    double Cpu = 0;
};

std::map<std::string, Mean>& Means() {
    static std::map<std::string, Mean> means;
    return means;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
} // namespace

void Stopwatch::Start() {
    m_cpuStart = ThreadCpuSeconds();
    m_start = std::chrono::steady_clock::now();
}

void Stopwatch::Stop() {
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    m_cpuTotal += ThreadCpuSeconds() - m_cpuStart;
    m_state.SetIterationTime(s);
    m_total += s;
    ++m_count;
}

Stopwatch::~Stopwatch() {
    // The framework may call a benchmark more than once while it sizes the run: the last call
    // is the one it reports, and the one kept here. A run cut short by an error is not kept.
    if (m_count > 0 && std::uncaught_exceptions() == 0 && !m_state.error_occurred())
        Means()[m_key] = {m_total / double(m_count), m_cpuTotal / double(m_count)};
}

bool PrintFigures(const std::vector<Figure>& figures) {
    bool all = true;
    std::printf("\n%-40s %11s %11s %9s %9s %8s %5s  %s\n", "figure", "engine ms", "raw ms", "ratio",
                "cpu ratio", "goal", "met?", "raw side");
    std::printf("%s\n", std::string(136, '-').c_str());
    for (const Figure& f : figures) {
        const auto e = Means().find(f.EngineKey);
        const auto r = Means().find(f.RawKey);
        if (e == Means().end() || r == Means().end()) {
            std::printf("%-40s %11s %11s %9s %9s %8s %5s  %s\n", f.Title, "-", "-", "-", "-", "-",
                        "-", f.RawTitle);
            continue;
        }
        const double engine = e->second.Elapsed * 1000, raw = r->second.Elapsed * 1000;
        const double ratio = engine / raw;
        const double cpuRatio = e->second.Cpu / r->second.Cpu;
        char goal[16] = "info";
        const char* met = "";
        if (f.Goal > 0) {
            std::snprintf(goal, sizeof goal, "<= %.2gx", f.Goal);
            met = ratio <= f.Goal ? "yes" : "NO";
            all = all && ratio <= f.Goal;
        }
        std::printf("%-40s %11.3f %11.3f %8.3fx %8.3fx %8s %5s  %s\n", f.Title, engine, raw, ratio,
                    cpuRatio, goal, met, f.RawTitle);
    }
    std::fflush(stdout);
    return all;
}

void Guarded(benchmark::State& state, void (*body)(benchmark::State&)) {
    try {
        body(state);
    } catch (const DbmsError& e) {
        state.SkipWithError(("DbmsError: " + e.Description().toStdString()).c_str());
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

} // namespace Bench
