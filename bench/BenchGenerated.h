#pragma once
// The synthetic archives the window benchmarks open: made by the program's own generator and
// kept between runs in $TESSARIN_BENCH_DIR (default: tessarin-bench in the temporary folder),
// since the big one takes minutes to make.

#include "clsArchiveGenerator.h"

#include <QString>

namespace Bench {

class RawDb;

// The given customers and sales, four sold-article lines a sale on average, the generator's
// defaults for the rest.
GeneratorSizes GeneratedSizes(int customers, int sales);

// The folder holding the archive (Tessarin.mdb, as RootDir does) that these sizes make; it is
// made first when missing or not whole.
QString GeneratedFolder(const GeneratorSizes& sizes);

qint64 Count(RawDb& db, const char* table);

} // namespace Bench
