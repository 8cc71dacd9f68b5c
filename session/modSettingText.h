#pragma once
// How the settings store writes yes/no, numbers and dates as text, and how hand-edited values
// read back.

#include <QDateTime>
#include <QString>

namespace modSettingText {

// False only for "FALSE", "FALSO", "NO" and "0" (blanks and case ignored); anything else,
// the empty text included, is true.
bool ParseBoolSetting(const QString& text);
// The number the text starts with, after leading blanks and an optional sign; 0 when it does
// not start with one ("3 (mensile)" gives 3, "abc" gives 0).
qint64 ParseLeadingNumber(const QString& text);

// Dates are kept as the Italian short date, followed by the time unless it is midnight.
QString FormatSettingDate(const QDateTime& moment);
// Invalid when the text is not a date in that form.
QDateTime ParseSettingDate(const QString& text);

} // namespace modSettingText
