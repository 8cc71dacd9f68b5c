#pragma once
// Timings kept while the benchmarks run, and the closing table that sets each engine figure
// beside the same work done straight through SQLite.

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

namespace Bench {

// Times the measured part of each iteration by hand (the benchmarks use UseManualTime), so
// what an iteration prepares — a fresh file, a new archive — is left out; on destruction the
// mean is kept under `key` for the closing table. The thread's CPU time is kept beside the
// elapsed time: on a loaded machine it shows whether a ratio is the engine's or the load's.
class Stopwatch {
public:
    Stopwatch(benchmark::State& state, std::string key) : m_state(state), m_key(std::move(key)) {}
    ~Stopwatch();
    void Start();
    void Stop();

private:
    benchmark::State& m_state;
    std::string m_key;
    std::chrono::steady_clock::time_point m_start;
    double m_cpuStart = 0;
    double m_total = 0;
    double m_cpuTotal = 0;
    long m_count = 0;
};

struct Figure {
    const char* Title;
    const char* EngineKey;
    const char* RawKey;
    const char* RawTitle;
    double Goal; // the highest engine/raw ratio that meets the goal; 0 = for information only
};

// Runs `body`; an engine error fails its own benchmark, not the run: the others still run and
// the temporary archives are still removed at the end.
void Guarded(benchmark::State& state, void (*body)(benchmark::State&));

// Prints one line per figure whose two sides both ran; true when every goal was met.
bool PrintFigures(const std::vector<Figure>& figures);

} // namespace Bench
