#pragma once
// The sale as the agency's rules make it, in plain arithmetic: the reference the sale window is
// checked against (SaleModelTest). Amounts in ten-thousandths, wide enough never to wrap.

#include <QList>
#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

using Big = __int128;
using Fields = std::vector<std::pair<QString, QString>>; // typed into an editor: field, text
constexpr qint64 Scale = 10000;

template <typename T = qint32> bool Fits(Big v) {
    return v >= std::numeric_limits<T>::min() && v <= std::numeric_limits<T>::max();
}

// An amount as the window shows it: rounded to the cent, thousands grouped, "1.234,50".
inline QString Shown(Big units) {
    const Big cents = ((units < 0 ? -units : units) + 50) / 100;
    QString whole = QString::number(qint64(cents / 100));
    for (auto i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, '.');
    const QString text = whole + ',' + QString::number(int(cents % 100)).rightJustified(2, '0');
    return units < 0 && cents != 0 ? '-' + text : text;
}

// An amount typed the Italian way ("-1.234,5"); nothing when the editor must refuse it.
inline std::optional<Big> Typed(const QString& text) {
    static const QRegularExpression form(R"(^(-)?(\d+)(?:,(\d{1,4}))?$)");
    const auto m = form.match(text);
    if (!m.hasMatch() || m.captured(2).size() > 15) return std::nullopt;
    const Big units =
        Big(m.captured(2).toLongLong()) * Scale + m.captured(3).leftJustified(4, '0').toLongLong();
    if (!Fits<qint64>(units)) return std::nullopt;
    return m.captured(1).isEmpty() ? units : -units;
}
inline std::optional<qint64> Whole(const QString& text) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    return ok ? std::optional(v) : std::nullopt;
}

struct Article {
    OID oid;
    QString code;
    qint64 price, pointValue;
}; // point value -1: no scheme
struct Customer {
    OID oid;
    QString code;
    qint64 points;
};
// A bonus (its points, limit: the minimum amount) or a prize (points needed, limit: the stock).
struct Definition {
    OID oid;
    qint64 points, limit;
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

// A step that breaks a limit throws Refused; the caller works on a copy and keeps the original.
struct Refused {};
struct Reference {
    std::vector<Article> articles;
    std::vector<Customer> customers;
    std::vector<Definition> prizes, bonuses;
    bool autoBonus = true, autoPrizes = true, open = false;
    int customer = -1, confirmed = 0;
    qint64 start = 0; // the customer's stored points when the sale took him
    std::vector<Line> lines;
    std::vector<Given> given, taken; // bonuses granted, prizes taken
    qint64 bonusPoints = 0, spent = 0;

    static void Require(bool ok) {
        if (!ok) throw Refused{};
    }
    qint64 Price(int article) const { return article < 0 ? 0 : articles[size_t(article)].price; }
    Big Sum(qint64 Line::*field) const {
        Big sum = 0;
        for (const Line& l : lines)
            sum += l.*field;
        return sum;
    }
    Big Amount() const { return Sum(&Line::amount); }
    Big LinePoints() const { return Sum(&Line::points); }
    Big Balance() const { return Big(start) + bonusPoints + LinePoints() - spent; }
    bool Empty() const { return lines.empty() && given.empty() && taken.empty(); }
    // The line's points after its amount changed: one every point value, rounded down.
    void Points(Line& l) const {
        const qint64 value = l.article < 0 ? -1 : articles[size_t(l.article)].pointValue;
        if (value < 0) return;
        const Big points = value == 0 ? 0 : l.amount / value - (l.amount % value < 0);
        Require(Fits(points));
        l.points = qint64(points);
    }
    void Quantity(Line& l, Big quantity) const {
        Require(Fits(quantity));
        l.quantity = qint64(quantity);
        const Big amount = Big(Price(l.article)) * quantity;
        Require(Fits<qint64>(amount));
        l.amount = qint64(amount);
        Points(l);
    }
    // A line editor's fields; the editor applies only what differs from what it shows.
    void Edit(Line& l, const Fields& typed) const {
        for (const auto& [field, text] : typed) {
            if (field == "ImportoVendita") {
                const auto units = Typed(text);
                Require(units.has_value());
                l.amount = qint64(*units);
                Points(l);
            } else if (text != QString::number(l.quantity)) {
                const auto pieces = Whole(text);
                Require(pieces.has_value());
                Quantity(l, *pieces);
            }
        }
    }
    void Totalize() {
        Require(Fits<qint64>(Amount()) && Fits(LinePoints()));
        IdentifyBonus(autoBonus);
    }
    void IdentifyBonus(bool automatic) {
        if (automatic) {
            given.clear();
            const Big amount = Amount();
            Big remaining = amount;
            for (size_t i = 0; i < bonuses.size(); ++i) {
                const Definition& b = bonuses[i];
                const qint64 minimum = b.limit;
                if (!b.valid || !(minimum == 0 || minimum <= amount)) continue;
                if (!(b.cumulative ? amount >= minimum : remaining >= minimum)) continue;
                qint64 quantity = 1;
                bool grant = b.articles.isEmpty() && minimum > 0;
                for (const Line& l : lines)
                    if (l.article >= 0 && b.articles.contains(articles[size_t(l.article)].oid))
                        grant = true, quantity = l.quantity;
                if (!grant) continue;
                given.push_back({int(i), b.cumulative ? quantity : 1});
                if (b.cumulative) remaining -= minimum;
            }
        }
        Big sum = 0;
        for (const Given& g : given) {
            const Big points = Big(bonuses[size_t(g.definition)].points) * g.quantity;
            Require(Fits(points));
            sum += points;
        }
        Require(Fits(sum));
        bonusPoints = qint64(sum);
        IdentifyPrizes(autoPrizes);
    }
    void IdentifyPrizes(bool automatic) {
        const Big available = Big(start) + bonusPoints + LinePoints();
        Big points = available;
        if (automatic) taken.clear();
        for (bool more = automatic; more && points >= 1;) {
            more = false;
            for (size_t i = 0; i < prizes.size(); ++i) {
                const Definition& p = prizes[i];
                if (!p.valid || p.points > available || p.limit <= 0 || p.points < 1 ||
                    points < p.points)
                    continue;
                auto row = std::find_if(taken.begin(), taken.end(),
                                        [&](const Given& g) { return g.definition == int(i); });
                if (row == taken.end())
                    taken.push_back({int(i), 1});
                else if (p.cumulative && row->quantity < p.limit)
                    ++row->quantity;
                else
                    continue;
                points -= p.points;
                more = true;
            }
        }
        if (!automatic)
            for (const Given& g : taken)
                points -= Big(prizes[size_t(g.definition)].points) * g.quantity;
        Require(Fits(available - points));
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
    // The first with this code, the letters A to Z in either case as the archive's filters
    // take them; -1 when none.
    template <typename T> static int ByCode(const std::vector<T>& rows, const QString& code) {
        const auto fold = [](QString s) {
            for (QChar& c : s)
                if (c >= 'A' && c <= 'Z') c = c.toLower();
            return s;
        };
        for (size_t i = 0; i < rows.size(); ++i)
            if (fold(rows[i].code) == fold(code)) return int(i);
        return -1;
    }
};
