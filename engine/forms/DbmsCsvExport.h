#pragma once
// The rows of a data source as a CSV file for a spreadsheet set up the Italian way: UTF-8
// with a byte-order mark (so accented letters survive), ";" between values (the comma is the
// decimal separator), a header with the fields' captions, then one record per row with the
// display texts ("1.500.000,00", "15/03/2005 10:30"). A value holding ";", a quote or a line
// break is quoted, its quotes doubled.

#include "DbmsDataSource.h"

// Quotes one value when a reader would otherwise split it.
QString DbmsCsvValue(const QString& text);

// Writes every row of `ds`, in its filter and order, to `path`; `fields` as for DbmsExport
// (empty: DbmsExportFields). The file is written aside and put in place only when complete;
// throws DbmsError (FileOpen) when it cannot be written.
void DbmsCsvExport(DbmsDataSource& ds, const QString& path, const QStringList& fields = {});
