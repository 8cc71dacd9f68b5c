#pragma once
// Filters, searches and orders over the million-row table, beside the same work done straight
// through SQLite (part of engine_bench).

#include "BenchReport.h"

namespace Bench {

void RegisterSearchBenchmarks();
std::vector<Figure> SearchFigures();

} // namespace Bench
