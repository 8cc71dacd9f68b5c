#include "clsPremiBonus.h"

#include "DbmsClock.h"
#include "DbmsDatabase.h"

#include <QSet>

namespace {
int Points(const QVariant& value) {
    return int(value.toLongLong());
}

// Positions the assigned rows on the one linked to a prize or bonus; false when the sale has
// none. The link column is the child table's link to its parent definition.
bool FindAssigned(DbmsDataSource& assigned, OID definition) {
    return assigned.FindNext(assigned.TableDef().ParentLinkField() + " = " +
                             DbmsDatabase::NumberLiteral(qint64(definition)));
}

void AddAssigned(DbmsDataSource& assigned, OID definition, int quantity) {
    assigned.AddRow({{assigned.TableDef().ParentLinkField(), definition}, {"Quantita", quantity}});
}

void IncrementAssigned(DbmsDataSource& assigned) {
    assigned.SetValue("Quantita", assigned.GetValue("Quantita").toLongLong() + 1);
    assigned.Update();
}

QSet<OID> RowsOf(DbmsDataSource& rows) {
    QSet<OID> oids;
    for (qint64 p = 0; OID oid = rows.OIDAt(p); ++p)
        oids.insert(oid);
    return oids;
}

std::shared_ptr<DbmsDataSource> OpenDefinitions(DbmsDataSource& sale, const QString& table,
                                                const QString& filter) {
    return sale.Database()->Item(table)->OpenDataSource(filter);
}
} // namespace

clsPremiBonus::clsPremiBonus(DbmsDataSource& sale, int customerPoints)
    : m_sale(sale), m_customerPoints(customerPoints) {}

std::shared_ptr<DbmsDataSource> clsPremiBonus::IdentifyBonus(bool automatic) {
    const Money amount = ToMoney(m_sale.GetValue("Importo"));
    auto assigned = m_sale.GetReference("Bonus");
    int bonusPoints = 0;
    if (automatic) {
        if (!assigned->IsEmpty()) m_sale.SetReference("Bonus", *assigned, true);
        auto candidates =
            OpenDefinitions(m_sale, "TabellaBonus",
                            "Scadenza >= " + DbmsDatabase::DateLiteral(DbmsClock::Today()) +
                                " AND ( ImportoMinimo = 0 OR ImportoMinimo <= " +
                                DbmsDatabase::NumberLiteral(amount.ToDouble()) + ")");
        if (!candidates->IsEmpty()) bonusPoints = GrantBonuses(*candidates, *assigned, amount);
        assigned->Refresh(false);
    } else {
        bonusPoints = Points(assigned->Sum("PuntiAssegnati"));
    }
    m_sale.SetValue("PuntiBonus", bonusPoints);
    return assigned;
}

int clsPremiBonus::GrantBonuses(DbmsDataSource& candidates, DbmsDataSource& assigned,
                                Money amount) {
    // A fresh copy of the lines: the window's grid keeps its current line.
    auto lines = m_sale.GetReference("Articoli");
    const QString articleLink = lines->TableDef().ParentLinkField();
    Money remaining = amount;
    int bonusPoints = 0;
    for (candidates.MoveFirst(); !candidates.AtEnd(); candidates.MoveNext()) {
        const bool cumulative = candidates.GetValue("Cumulabile").toBool();
        const Money minimum = ToMoney(candidates.GetValue("ImportoMinimo"));
        // A cumulative bonus uses up its minimum, so a later single one needs what is left.
        if (!(cumulative ? amount >= minimum : remaining >= minimum)) continue;

        int quantity = 1;
        bool grant = false;
        const QSet<OID> articles = RowsOf(*candidates.GetReference("Articoli"));
        if (articles.isEmpty()) {
            grant = minimum > Money{};
        } else {
            for (lines->MoveFirst(); !lines->AtEnd(); lines->MoveNext()) {
                if (!articles.contains(lines->GetValue(articleLink).toLongLong())) continue;
                grant = true;
                quantity = Points(lines->GetValue("Quantita"));
            }
        }
        if (!grant) continue;

        const OID bonus = candidates.CurrentOID();
        if (FindAssigned(assigned, bonus)) {
            if (!cumulative) continue;
            IncrementAssigned(assigned);
        } else {
            AddAssigned(assigned, bonus, cumulative ? quantity : 1);
        }
        bonusPoints += Points(candidates.GetValue("Punti"));
        if (cumulative) remaining = remaining - minimum;
    }
    return bonusPoints;
}

std::shared_ptr<DbmsDataSource> clsPremiBonus::IdentifyPrizes(bool automatic) {
    m_available = m_customerPoints + Points(m_sale.GetValue("PuntiBonus")) +
                  Points(m_sale.GetReference("Articoli")->Sum("PuntiAssegnati"));
    int points = m_available;
    auto assigned = m_sale.GetReference("Premi");
    if (automatic) {
        // A prize needing no points could be taken again in every pass, without end.
        auto candidates = OpenDefinitions(
            m_sale, "TabellaPremi",
            "Scadenza >= " + DbmsDatabase::DateLiteral(DbmsClock::Today()) +
                " AND PuntiNecessari <= " + DbmsDatabase::NumberLiteral(qint64(m_available)) +
                " AND Disponibilita > 0 AND PuntiNecessari >= 1");
        if (!assigned->IsEmpty()) m_sale.SetReference("Premi", *assigned, true);
        if (!candidates->IsEmpty()) points = AssignPrizes(*candidates, *assigned, points);
        assigned->Refresh(false);
    } else {
        points -= Points(assigned->Sum("PuntiSpesi"));
    }
    const int spent = m_available - points;
    m_sale.SetValue("PuntiSpesi", spent);
    m_final = m_available - spent;
    return assigned;
}

int clsPremiBonus::AssignPrizes(DbmsDataSource& candidates, DbmsDataSource& assigned, int points) {
    bool assignedInPass = true;
    while (assignedInPass && points >= 1) {
        assignedInPass = false;
        for (candidates.MoveFirst(); !candidates.AtEnd(); candidates.MoveNext()) {
            const int needed = Points(candidates.GetValue("PuntiNecessari"));
            if (points < needed) continue;
            const OID prize = candidates.CurrentOID();
            if (!FindAssigned(assigned, prize)) {
                AddAssigned(assigned, prize, 1);
            } else if (candidates.GetValue("Cumulabile").toBool()) {
                IncrementAssigned(assigned);
            } else {
                continue;
            }
            points -= needed;
            assignedInPass = true;
        }
    }
    return points;
}
