#include "DbmsValues.h"

#include "DbmsDatabase.h"

#include <cmath>
#include <limits>

namespace {
constexpr const char* kStoredDate = "yyyy-MM-dd HH:mm:ss";

QDateTime ParseDate(const QString& text) {
    const QString t = text.trimmed();
    for (const char* fmt : {kStoredDate, "yyyy-MM-ddTHH:mm:ss", "dd/MM/yyyy HH:mm:ss",
                            "dd/MM/yyyy HH:mm", "dd/MM/yyyy", "yyyy-MM-dd"}) {
        QDateTime d = QDateTime::fromString(t, fmt);
        if (d.isValid()) return d;
    }
    return QDateTime();
}

DbmsError Bad(const QString& field, const QVariant& value) {
    return DbmsError(
        DbmsError::BadValue,
        QString("Valore non valido per il campo %1: '%2'").arg(field, value.toString()));
}
} // namespace

namespace {
void Put(char* at, int value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10)
        at[i] = char('0' + value % 10);
}
} // namespace

std::string DbmsDateToStoredUtf8(const QDateTime& value) {
    const QDate d = value.date();
    const QTime t = value.time();
    if (d.year() < 0 || d.year() > 9999) return value.toString(kStoredDate).toStdString();
    std::string s = "0000-00-00 00:00:00";
    Put(&s[0], d.year(), 4);
    Put(&s[5], d.month(), 2);
    Put(&s[8], d.day(), 2);
    Put(&s[11], t.hour(), 2);
    Put(&s[14], t.minute(), 2);
    Put(&s[17], t.second(), 2);
    return s;
}

QString DbmsDateToStored(const QDateTime& value) {
    return QString::fromLatin1(DbmsDateToStoredUtf8(value));
}

QDateTime DbmsDateFromStored(const QString& text) {
    // Read by hand: grids and exports read dates by the hundred thousand, and the general
    // format parser costs twenty times more.
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return QDateTime::fromString(text, kStoredDate);
    auto num = [&](int from, int len) {
        int v = 0;
        for (int i = from; i < from + len; ++i) {
            const int d = text[i].unicode() - '0';
            if (d < 0 || d > 9) return -1;
            v = v * 10 + d;
        }
        return v;
    };
    const QDate date(num(0, 4), num(5, 2), num(8, 2));
    const QTime time(num(11, 2), num(14, 2), num(17, 2));
    if (!date.isValid() || !time.isValid()) return QDateTime();
    return QDateTime(date, time);
}

QVariant DbmsReadColumn(const SQLite::Column& column, int type) {
    if (column.isNull()) return QVariant();
    switch (type) {
    case DbmsType::Text: {
        const char* text = column.getText();
        return QString::fromUtf8(text, column.getBytes());
    }
    case DbmsType::Boolean:
        return column.getInt64() != 0;
    case DbmsType::Date: {
        const char* text = column.getText();
        QDateTime d = DbmsDateFromStored(QString::fromUtf8(text, column.getBytes()));
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case DbmsType::Money:
        return QVariant::fromValue(Money::FromUnits(column.getInt64()));
    default:
        return QVariant(qint64(column.getInt64()));
    }
}

QVariant DbmsCoerce(int type, int size, const QVariant& value, const QString& fieldName) {
    if (!value.isValid() || value.isNull()) return QVariant();
    switch (type) {
    case DbmsType::Text: {
        QString s = value.metaType() == QMetaType::fromType<Money>()
                        ? DbmsFormatMoney(value.value<Money>())
                        : value.toString();
        // A text longer than its field is cut to the field's size, never refused.
        if (size > 0 && s.size() > size) s.truncate(size);
        return s;
    }
    case DbmsType::Boolean: {
        if (value.typeId() == QMetaType::Bool) return value.toBool();
        if (value.typeId() == QMetaType::QString) {
            const QString t = value.toString().trimmed().toLower();
            if (t == "true" || t == "vero" || t == "sì" || t == "si" || t == "1" || t == "-1")
                return true;
            if (t == "false" || t == "falso" || t == "no" || t == "0" || t.isEmpty()) return false;
            throw Bad(fieldName, value);
        }
        bool ok = false;
        const qint64 v = value.toLongLong(&ok);
        if (!ok) throw Bad(fieldName, value);
        return v != 0;
    }
    case DbmsType::Date: {
        QDateTime d;
        if (value.typeId() == QMetaType::QDateTime)
            d = value.toDateTime();
        else if (value.typeId() == QMetaType::QDate)
            d = value.toDate().startOfDay();
        else
            d = ParseDate(value.toString());
        if (!d.isValid()) throw Bad(fieldName, value);
        // Stored dates keep whole seconds.
        if (d.time().msec() != 0) d = d.addMSecs(-d.time().msec());
        return d;
    }
    case DbmsType::Money:
        try {
            return QVariant::fromValue(ToMoney(value));
        } catch (const DbmsError&) {
            throw Bad(fieldName, value);
        }
    default: {
        // A whole number (code 11) holds 32 bits, like the platform's Long; keys and links
        // are the archive's own 64-bit row identifiers.
        const bool whole = type == DbmsType::Integer;
        auto outside = [&](const QString& shown) {
            return DbmsError(DbmsError::BadValue,
                             QString("Valore fuori dai limiti per il campo %1: %2 (ammessi da "
                                     "-2147483648 a 2147483647)")
                                 .arg(fieldName, shown));
        };
        auto fromDouble = [&](double d) {
            // Checked before rounding: a double past the 64-bit range has no whole value.
            if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
                throw outside(QString::number(d, 'f', 0));
            return qint64(std::llround(d));
        };
        qint64 v = 0;
        if (value.metaType() == QMetaType::fromType<Money>()) {
            v = fromDouble(value.value<Money>().ToDouble());
        } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
            v = fromDouble(value.toDouble());
        } else if (value.typeId() == QMetaType::Bool) {
            v = value.toBool() ? 1 : 0;
        } else {
            bool ok = false;
            v = value.typeId() == QMetaType::QString ? value.toString().trimmed().toLongLong(&ok)
                                                     : value.toLongLong(&ok);
            if (!ok) throw Bad(fieldName, value);
        }
        if (whole &&
            (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()))
            throw outside(QString::number(v));
        return QVariant(v);
    }
    }
}

QString DbmsFormatMoney(Money amount) {
    // Round half away from zero to the cent, then group the whole part by thousands.
    const bool negative = amount.Units < 0;
    const quint64 units = negative ? quint64(-(amount.Units + 1)) + 1 : quint64(amount.Units);
    const quint64 cents = (units + 50) / 100;
    QString whole = QString::number(cents / 100);
    for (int i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, '.');
    const QString text = whole + ',' + QString::number(cents % 100).rightJustified(2, '0');
    return negative && cents != 0 ? '-' + text : text;
}

QString DbmsFormatValue(int type, const QVariant& value, const DbmsDatabase* conversion,
                        int digits) {
    if (!value.isValid() || value.isNull()) return QString();
    switch (type) {
    case DbmsType::Money: {
        Money m = value.value<Money>();
        if (conversion) m = conversion->ToConversionCurrency(m);
        return DbmsFormatMoney(m);
    }
    case DbmsType::Date: {
        const QDateTime dt = value.toDateTime();
        const QDate d = dt.date();
        const QTime t = dt.time();
        if (d.year() < 0 || d.year() > 9999) return dt.toString("dd/MM/yyyy HH:mm");
        char s[] = "00/00/0000 00:00";
        Put(&s[0], d.day(), 2);
        Put(&s[3], d.month(), 2);
        Put(&s[6], d.year(), 4);
        Put(&s[11], t.hour(), 2);
        Put(&s[14], t.minute(), 2);
        return QString::fromLatin1(s, 16);
    }
    case DbmsType::Boolean:
        return value.toBool() ? "Sì" : "No";
    case DbmsType::Integer:
        if (digits > 0 && value.toLongLong() >= 0)
            return QString::number(value.toLongLong()).rightJustified(digits, '0');
        return value.toString();
    default:
        return value.toString();
    }
}
