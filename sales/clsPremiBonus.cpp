#include "clsPremiBonus.h"

#include "DbmsClock.h"
#include "DbmsDatabase.h"
#include "modPunti.h"

#include <QSet>

namespace {
qint64 Points(const QVariant& value) {
    return value.toLongLong();
}

// Positions the assigned rows on the one linked to a prize or bonus; false when the sale has
// none. The link column is the child table's link to its parent definition.
bool FindAssigned(DbmsDataSource& assigned, OID definition) {
    return assigned.FindNext(assigned.TableDef().ParentLinkField() + " = " +
                             DbmsDatabase::NumberLiteral(qint64(definition)));
}

void AddAssigned(DbmsDataSource& assigned, OID definition, qint64 quantity) {
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

clsPremiBonus::clsPremiBonus(DbmsDataSource& sale, qint64 customerPoints)
    : m_sale(sale), m_customerPoints(customerPoints) {}

std::shared_ptr<DbmsDataSource> clsPremiBonus::IdentifyBonus(bool automatic) {
    const Money amount = ToMoney(m_sale.GetValue("Importo"));
    auto assigned = m_sale.GetReference("Bonus");
    if (automatic) {
        if (!assigned->IsEmpty()) m_sale.SetReference("Bonus", *assigned, true);
        // The minimum is compared below, in exact money: an amount as a number literal goes
        // through a double, which the largest amounts overflow.
        auto candidates = OpenDefinitions(
            m_sale, "TabellaBonus", "Scadenza >= " + DbmsDatabase::DateLiteral(DbmsClock::Today()));
        if (!candidates->IsEmpty()) GrantBonuses(*candidates, *assigned, amount);
        assigned->Refresh(false);
    }
    // What the rows earned (each its bonus's points times its quantity), however they came:
    // a recomputation never changes the points of the rows it keeps.
    m_sale.SetValue("PuntiBonus", CheckedPoints("Il totale dei punti bonus",
                                                Points(assigned->Sum("PuntiAssegnati"))));
    return assigned;
}

void clsPremiBonus::GrantBonuses(DbmsDataSource& candidates, DbmsDataSource& assigned,
                                 Money amount) {
    // A fresh copy of the lines: the window's grid keeps its current line.
    auto lines = m_sale.GetReference("Articoli");
    const QString articleLink = lines->TableDef().ParentLinkField();
    Money remaining = amount;
    for (candidates.MoveFirst(); !candidates.AtEnd(); candidates.MoveNext()) {
        const bool cumulative = candidates.GetValue("Cumulabile").toBool();
        const Money minimum = ToMoney(candidates.GetValue("ImportoMinimo"));
        if (minimum != Money{} && minimum > amount) continue;
        // A cumulative bonus uses up its minimum, so a later single one needs what is left.
        if (!(cumulative ? amount >= minimum : remaining >= minimum)) continue;

        qint64 quantity = 1;
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
        if (cumulative) remaining = remaining - minimum;
    }
}

std::shared_ptr<DbmsDataSource> clsPremiBonus::IdentifyPrizes(bool automatic) {
    m_available = m_customerPoints + Points(m_sale.GetValue("PuntiBonus")) +
                  Points(m_sale.GetReference("Articoli")->Sum("PuntiAssegnati"));
    qint64 points = m_available;
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
    const qint64 spent = m_available - points;
    m_sale.SetValue("PuntiSpesi", CheckedPoints("Il totale dei punti spesi", spent));
    m_final = m_available - spent;
    return assigned;
}

qint64 clsPremiBonus::AssignPrizes(DbmsDataSource& candidates, DbmsDataSource& assigned,
                                   qint64 points) {
    bool assignedInPass = true;
    while (assignedInPass && points >= 1) {
        assignedInPass = false;
        for (candidates.MoveFirst(); !candidates.AtEnd(); candidates.MoveNext()) {
            const qint64 needed = Points(candidates.GetValue("PuntiNecessari"));
            if (points < needed) continue;
            const OID prize = candidates.CurrentOID();
            if (!FindAssigned(assigned, prize)) {
                AddAssigned(assigned, prize, 1);
            } else if (candidates.GetValue("Cumulabile").toBool() &&
                       assigned.GetValue("Quantita").toLongLong() <
                           candidates.GetValue("Disponibilita").toLongLong()) {
                // Only the pieces in stock can be handed out.
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

std::map<OID, qint64> clsPremiBonus::CheckPrizeStock() {
    std::map<OID, qint64> pieces;
    auto assigned = m_sale.GetReference("Premi");
    const QString link = assigned->TableDef().ParentLinkField();
    for (assigned->MoveFirst(); !assigned->AtEnd(); assigned->MoveNext())
        pieces[assigned->GetValue(link).toLongLong()] +=
            assigned->GetValue("Quantita").toLongLong();
    for (const auto& [prize, wanted] : pieces) {
        auto definition = OpenDefinitions(m_sale, "TabellaPremi",
                                          "OID = " + DbmsDatabase::NumberLiteral(qint64(prize)));
        if (definition->IsEmpty()) continue; // a row without its prize has no stock to keep
        definition->MoveFirst();
        const qint64 stock = definition->GetValue("Disponibilita").toLongLong();
        if (wanted > stock)
            throw DbmsError(DbmsError::BadValue,
                            QString("Disponibilità insufficiente per il premio \"%1\": richiesti "
                                    "%2 pezzi, disponibili %3.")
                                .arg(definition->GetValue("Descrizione").toString())
                                .arg(wanted)
                                .arg(stock));
    }
    return pieces;
}

void clsPremiBonus::TakePrizeStock(const std::map<OID, qint64>& pieces) {
    for (const auto& [prize, taken] : pieces) {
        auto definition = OpenDefinitions(m_sale, "TabellaPremi",
                                          "OID = " + DbmsDatabase::NumberLiteral(qint64(prize)));
        if (definition->IsEmpty()) continue;
        definition->MoveFirst();
        definition->SetValue("Disponibilita",
                             definition->GetValue("Disponibilita").toLongLong() - taken);
        definition->Update();
    }
}
