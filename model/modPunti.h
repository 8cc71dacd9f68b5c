#pragma once
// Points and balances are whole numbers of 32 bits, wherever they are computed: the archive's
// columns could hold more, but a card's balance must read the same everywhere it is shown.

#include "DbmsTypes.h"

#include <limits>

inline bool PointsInRange(qint64 value) {
    return value >= std::numeric_limits<qint32>::min() &&
           value <= std::numeric_limits<qint32>::max();
}

// "<what> (<value>) è fuori dai limiti ammessi (da -2147483648 a 2147483647)".
inline QString PointsRangeText(const QString& what, qint64 value) {
    return QString("%1 (%2) è fuori dai limiti ammessi (da %3 a %4)")
        .arg(what)
        .arg(value)
        .arg(std::numeric_limits<qint32>::min())
        .arg(std::numeric_limits<qint32>::max());
}

// The value itself when it fits; refused before it is written otherwise.
inline qint64 CheckedPoints(const QString& what, qint64 value) {
    if (!PointsInRange(value))
        throw DbmsError(DbmsError::BadValue, PointsRangeText(what, value) + ".");
    return value;
}
