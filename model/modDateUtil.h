#pragma once
// Date arithmetic shared by the table rules.

#include <QDateTime>

// The same day, month and time of day one calendar year later; 29 February becomes
// 28 February, since the next year has no 29th.
QDateTime AddOneYear(const QDateTime& p_dtmFrom);
