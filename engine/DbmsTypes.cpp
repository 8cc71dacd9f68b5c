#include "DbmsTypes.h"

#include <cmath>

Money Money::FromDouble(double value) {
    return Money{qint64(std::llround(value * double(Scale)))};
}

qint64 Money::FloorDiv(Money divisor) const {
    if (divisor.Units == 0) throw DbmsError(DbmsError::BadValue, "Divisione per zero");
    qint64 q = Units / divisor.Units;
    // C++ division truncates towards zero; step down when the signs differ and it was inexact.
    if ((Units % divisor.Units != 0) && ((Units < 0) != (divisor.Units < 0))) --q;
    return q;
}

Money ToMoney(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<Money>()) return value.value<Money>();
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return Money::FromWhole(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return Money::FromDouble(value.toDouble());
    case QMetaType::QString: {
        bool ok = false;
        const double d = value.toString().trimmed().toDouble(&ok);
        if (ok) return Money::FromDouble(d);
        break;
    }
    default:
        if (!value.isValid() || value.isNull()) return Money{};
        break;
    }
    throw DbmsError(DbmsError::BadValue,
                    QString("Valore non valido per un importo: '%1'").arg(value.toString()));
}
