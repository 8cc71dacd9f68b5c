#pragma once
// The sale as the agency's rules make it, in plain arithmetic: the reference the sale window is
// checked against (SaleModelTest). Amounts in ten-thousandths, wide enough never to wrap.

#include <QList>
#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <optional>
#include <vector>

using Big = __int128;
constexpr qint64 Scale = 10000; // amounts are kept in ten-thousandths

inline bool Fits32(Big v) {
    return v >= INT32_MIN && v <= INT32_MAX;
}
inline bool Fits64(Big v) {
    return v >= INT64_MIN && v <= INT64_MAX;
}
inline Big FloorDiv(Big a, Big b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// An amount as the window shows it: rounded to the cent, thousands grouped, "1.234,50".
inline QString Shown(Big units) {
    const bool negative = units < 0;
    const Big cents = ((negative ? -units : units) + 50) / 100;
    QString whole = QString::number(qint64(cents / 100));
    for (auto i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, '.');
    const QString text = whole + ',' + QString::number(int(cents % 100)).rightJustified(2, '0');
    return negative && cents != 0 ? '-' + text : text;
}

// An amount typed the Italian way ("-1.234,5"); nothing when the editor must refuse it.
inline std::optional<Big> Typed(const QString& text) {
    static const QRegularExpression form(R"(^(-)?(\d+)(?:,(\d{1,4}))?$)");
    const auto m = form.match(text);
    if (!m.hasMatch() || m.captured(2).size() > 15) return std::nullopt;
    const Big units =
        Big(m.captured(2).toLongLong()) * Scale + m.captured(3).leftJustified(4, '0').toLongLong();
    if (!Fits64(units)) return std::nullopt;
    return m.captured(1).isEmpty() ? units : -units;
}

struct Article {
    OID oid;
    QString code;
    qint64 price;
    qint64 pointValue;
}; // -1: no scheme
struct Customer {
    OID oid;
    QString code;
    qint64 points;
};
struct Prize {
    OID oid;
    qint64 needed, stock;
    bool cumulative, valid;
};
struct Bonus {
    OID oid;
    qint64 points, minimum;
    bool cumulative, valid;
    QList<OID> articles;
};
struct Line {
    int article;
    qint64 quantity, amount, points;
}; // article -1: none
struct Given {
    int definition;
    qint64 quantity;
};

// The sale as the agency's rules make it; a step that breaks a limit throws Refused and leaves
// the reference as it was (the caller works on a copy).
struct Refused {};
struct Reference {
    std::vector<Article> articles;
    std::vector<Customer> customers;
    std::vector<Prize> prizes;
    std::vector<Bonus> bonuses;
    bool autoBonus = true, autoPrizes = true;
    bool open = false;
    int customer = -1;
    qint64 start = 0; // the customer's stored points when the sale took him
    std::vector<Line> lines;
    std::vector<Given> given, taken; // bonuses granted, prizes taken
    qint64 bonusPoints = 0, spent = 0;
    int confirmed = 0;

    static void Require(bool ok) {
        if (!ok) throw Refused{};
    }
    qint64 Price(int article) const { return article < 0 ? 0 : articles[size_t(article)].price; }
    Big Amount() const {
        Big sum = 0;
        for (const Line& l : lines)
            sum += l.amount;
        return sum;
    }
    Big LinePoints() const {
        Big sum = 0;
        for (const Line& l : lines)
            sum += l.points;
        return sum;
    }
    Big Balance() const { return Big(start) + bonusPoints + LinePoints() - spent; }
    // The line's points after its amount changed: one every point value, rounded down.
    void Points(Line& l) const {
        const qint64 value = l.article < 0 ? -1 : articles[size_t(l.article)].pointValue;
        if (value < 0) return;
        const Big points = value > 0 ? FloorDiv(l.amount, value) : 0;
        Require(Fits32(points));
        l.points = qint64(points);
    }
    void Quantity(Line& l, Big quantity) const {
        Require(Fits32(quantity));
        l.quantity = qint64(quantity);
        const Big amount = Big(Price(l.article)) * quantity;
        Require(Fits64(amount));
        l.amount = qint64(amount);
        Points(l);
    }
    void Totalize() {
        Require(Fits64(Amount()) && Fits32(LinePoints()));
        IdentifyBonus(autoBonus);
    }
    void IdentifyBonus(bool automatic) {
        if (automatic) {
            given.clear();
            const Big amount = Amount();
            Big remaining = amount;
            for (size_t i = 0; i < bonuses.size(); ++i) {
                const Bonus& b = bonuses[i];
                if (!b.valid || !(b.minimum == 0 || b.minimum <= amount)) continue;
                if (!(b.cumulative ? amount >= b.minimum : remaining >= b.minimum)) continue;
                qint64 quantity = 1;
                bool grant = b.articles.isEmpty() && b.minimum > 0;
                for (const Line& l : lines)
                    if (l.article >= 0 && b.articles.contains(articles[size_t(l.article)].oid))
                        grant = true, quantity = l.quantity;
                if (!grant) continue;
                given.push_back({int(i), b.cumulative ? quantity : 1});
                if (b.cumulative) remaining -= b.minimum;
            }
        }
        Big sum = 0;
        for (const Given& g : given) {
            const Big points = Big(bonuses[size_t(g.definition)].points) * g.quantity;
            Require(Fits32(points));
            sum += points;
        }
        Require(Fits32(sum));
        bonusPoints = qint64(sum);
        IdentifyPrizes(autoPrizes);
    }
    void IdentifyPrizes(bool automatic) {
        const Big available = Big(start) + bonusPoints + LinePoints();
        Big points = available;
        if (automatic) {
            taken.clear();
            for (bool more = true; more && points >= 1;) {
                more = false;
                for (size_t i = 0; i < prizes.size(); ++i) {
                    const Prize& p = prizes[i];
                    if (!p.valid || p.needed > available || p.stock <= 0 || p.needed < 1 ||
                        points < p.needed)
                        continue;
                    auto row = std::find_if(taken.begin(), taken.end(),
                                            [&](const Given& g) { return g.definition == int(i); });
                    if (row == taken.end())
                        taken.push_back({int(i), 1});
                    else if (p.cumulative && row->quantity < p.stock)
                        ++row->quantity;
                    else
                        continue;
                    points -= p.needed;
                    more = true;
                }
            }
        } else {
            for (const Given& g : taken)
                points -= Big(prizes[size_t(g.definition)].needed) * g.quantity;
        }
        Require(Fits32(available - points));
        spent = qint64(available - points);
    }
    void Open(int who) {
        if (!open) lines.clear(), given.clear(), taken.clear();
        open = true;
        customer = who;
        start = customers[size_t(who)].points;
        Totalize();
    }
    void Close() {
        open = false;
        customer = -1;
        lines.clear(), given.clear(), taken.clear();
        bonusPoints = spent = 0;
    }
    // Codes compare ignoring the case of the letters A to Z, as the archive's filters do.
    static bool SameCode(const QString& x, const QString& y) {
        const auto fold = [](QString s) {
            for (QChar& c : s)
                if (c >= 'A' && c <= 'Z') c = c.toLower();
            return s;
        };
        return fold(x) == fold(y);
    }
    // The first article with this code; -1 when none.
    int ArticleByCode(const QString& code) const {
        for (size_t i = 0; i < articles.size(); ++i)
            if (SameCode(articles[i].code, code)) return int(i);
        return -1;
    }
    int CustomerByCode(const QString& code) const {
        for (size_t i = 0; i < customers.size(); ++i)
            if (SameCode(customers[i].code, code)) return int(i);
        return -1;
    }
};
