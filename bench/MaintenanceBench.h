#pragma once
// Saving, restoring, importing and converting the generated archive of a million sold-article
// lines through the engine, beside the same files handled straight through SQLite (part of
// engine_bench).

#include "BenchReport.h"

namespace Bench {

void RegisterMaintenanceBenchmarks();
std::vector<Figure> MaintenanceFigures();
// The figures whose goal is a speed in rows per second; true when every goal was met.
bool PrintMaintenanceRates();

} // namespace Bench
