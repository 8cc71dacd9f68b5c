#pragma once
// Basic types shared by every part of the data engine: row identifiers, field type codes,
// exact money amounts and the engine's error.

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

using OID = qint64;

// Field type codes, as the table definitions pass them.
namespace DbmsType {
constexpr int Text = 0;
constexpr int Integer = 11;
constexpr int Boolean = 14;
constexpr int Date = 19;
constexpr int Money = 20;
// Codes of the columns the engine adds itself.
constexpr int Key = 4;       // OID
constexpr int Reference = 8; // a single reference, shown through the target's shown field
constexpr int Count = 3;     // N_<collection> of summary data sources
} // namespace DbmsType

// A money amount kept in ten-thousandths, like the platform's currency type: never floating
// point, so sums and products are exact.
struct Money {
    qint64 Units = 0; // value * 10000

    static constexpr qint64 Scale = 10000;
    static Money FromUnits(qint64 units) { return Money{units}; }
    static Money FromWhole(qint64 value) { return Money{value * Scale}; }
    // Rounds half away from zero to the nearest ten-thousandth.
    static Money FromDouble(double value);
    double ToDouble() const { return double(Units) / Scale; }

    friend Money operator+(Money a, Money b) { return Money{a.Units + b.Units}; }
    friend Money operator-(Money a, Money b) { return Money{a.Units - b.Units}; }
    friend Money operator*(Money a, qint64 n) { return Money{a.Units * n}; }
    friend auto operator<=>(const Money&, const Money&) = default;
    // How many whole times `divisor` fits in this amount, rounded towards minus infinity.
    qint64 FloorDiv(Money divisor) const;
};
Q_DECLARE_METATYPE(Money)

// Reads a QVariant (Money, number or numeric text) as money; throws DbmsError otherwise.
Money ToMoney(const QVariant& value);

// Engine errors carry a number offset from the object-error base, like the errors of the
// component the program was first written against, and an Italian description.
class DbmsError : public std::runtime_error {
public:
    static constexpr qint64 ObjectErrorBase = 0x80040000LL;

    enum Code : int {
        Generic = 1,
        FileNotArchive = 10,
        FileNotOurs = 11,
        FileOpen = 12,
        FileExists = 13,
        NotOpen = 14,
        ReadOnly = 15,
        UnknownTable = 20,
        UnknownField = 21,
        UnknownReference = 22,
        BadValue = 23,
        NoCurrentRow = 24,
        FilterSyntax = 30,
        OrderSyntax = 31,
        EventNesting = 40,
        Stopped = 50,
        Sql = 60,
        Definition = 70,
    };

    DbmsError(int code, const QString& description)
        : std::runtime_error(description.toStdString()), m_code(code), m_description(description) {}

    int Code() const { return m_code; }
    // The error number as callers see it: object-error base plus the engine's code.
    qint64 Number() const { return ObjectErrorBase + m_code; }
    const QString& Description() const { return m_description; }

private:
    int m_code;
    QString m_description;
};

// A field name with the value to give it (AddRow).
using DbmsFieldValues = std::vector<std::pair<QString, QVariant>>;
