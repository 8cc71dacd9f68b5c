#pragma once
// Writing the rows of a data source to a file, as the user sees them.

#include "DbmsInterfaces.h"

#include <QStringList>

class DbmsDataSource;

namespace DbmsExportFormat {
constexpr int Html = 2; // a UTF-8 HTML page holding one table
} // namespace DbmsExportFormat

// The fields an export shows when given no field sequence: every field of the data source in
// its order, apart from the engine's own keys and links (OID, OID_<reference>, OID_<parent>).
QStringList DbmsExportFields(const DbmsDataSource& ds);

// Writes every row of `ds`, in its filter and order, to `path` in `format`: a header row with
// the fields' captions, then one row per data row with the values' display texts. `fields`
// chooses and orders the columns (names as the data source knows them); empty means
// DbmsExportFields. The file is written aside and put in place only when complete, so an
// error or a stop asked through `progress` (DbmsError Stopped) leaves no half-written file.
void DbmsExport(DbmsDataSource& ds, const QString& path, int format,
                itfProgress* progress = nullptr, const QStringList& fields = {});
