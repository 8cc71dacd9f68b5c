#include "modDateUtil.h"

#include <algorithm>

QDateTime AddOneYear(const QDateTime& p_dtmFrom) {
    if (!p_dtmFrom.isValid()) return p_dtmFrom;
    const QDate from = p_dtmFrom.date();
    const int year = from.year() + 1;
    const int day = std::min(from.day(), QDate(year, from.month(), 1).daysInMonth());
    QDateTime to = p_dtmFrom;
    to.setDate(QDate(year, from.month(), day));
    return to;
}
