#pragma once
// Values between their stored form, their QVariant form and their display text.

#include "DbmsTypes.h"

#include <SQLiteCpp/Column.h>

#include <string>

class DbmsDatabase;

// A stored column read as the QVariant of its field type.
QVariant DbmsReadColumn(const SQLite::Column& column, int type);

// A value made fit for a field of `type` (text cut to `size`); throws DbmsError on a value
// that cannot be one (e.g. "abc" for a whole number).
QVariant DbmsCoerce(int type, int size, const QVariant& value, const QString& fieldName);

// Display text. With `conversion` set, money is shown in its conversion currency; a whole
// number not below zero is shown with at least `digits` digits, zeros in front.
QString DbmsFormatValue(int type, const QVariant& value, const DbmsDatabase* conversion,
                        int digits = 0);

// Money as "1.500.000,00": two decimals, "." between thousands.
QString DbmsFormatMoney(Money amount);

// "yyyy-MM-dd HH:mm:ss", the stored form of dates.
QString DbmsDateToStored(const QDateTime& value);
std::string DbmsDateToStoredUtf8(const QDateTime& value);
QDateTime DbmsDateFromStored(const QString& text);
