#pragma once
// Small values the tests write again and again, and readable failure messages for texts.

#include "DbmsTypes.h"

#include <QString>
#include <QVariant>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// A money field's value in whole euros, or in the engine's ten-thousandths.
inline QVariant Amount(qint64 whole) {
    return QVariant::fromValue(Money::FromWhole(whole));
}
inline QVariant AmountUnits(qint64 units) {
    return QVariant::fromValue(Money::FromUnits(units));
}
