#pragma once
// The bonuses a sale earns and the prizes it hands out, identified by the agency's rules
// (automatic mode) or taken as the clerk chose them (manual mode). Works on the data sources
// only: the sale window rebinds its grids and labels from what these return.

#include "DbmsDataSource.h"

#include <map>
#include <memory>

class clsPremiBonus {
public:
    // `sale`: a data source over OperazioniVendite positioned on the sale being entered; its
    // buffer may hold totals not stored yet. `customerPoints`: the customer's stored Punti.
    clsPremiBonus(DbmsDataSource& sale, qint64 customerPoints);

    // Recomputes the sale's bonuses and PuntiBonus. Automatic: every assigned bonus is removed
    // and the candidates (not expired, minimum amount reached) granted again. Either way the
    // points are the sum over the assigned rows. Returns the sale's Bonus collection, re-read.
    std::shared_ptr<DbmsDataSource> IdentifyBonus(bool automatic);

    // Recomputes the sale's prizes and PuntiSpesi against the points available (the
    // customer's points, the sale's bonus points and the points of its lines). Automatic:
    // the assigned prizes are removed and the candidates (not expired, affordable, in stock,
    // needing at least one point) assigned in passes, never more pieces of a prize than its
    // Disponibilita. Returns the sale's Premi collection.
    std::shared_ptr<DbmsDataSource> IdentifyPrizes(bool automatic);

    // Points available before spending and the balance after the sale, as the last
    // IdentifyPrizes computed them.
    qint64 Available() const { return m_available; }
    qint64 FinalBalance() const { return m_final; }

    // The pieces of each prize the sale hands out (prize OID → pieces), checked against the
    // prizes' stock: a prize whose Disponibilita is short is refused (DbmsError BadValue, with
    // the clerk's message), before anything is written.
    std::map<OID, qint64> CheckPrizeStock();
    // Takes the pieces handed out from the prizes' stock.
    void TakePrizeStock(const std::map<OID, qint64>& pieces);

private:
    // One reading of the bonus candidates.
    void GrantBonuses(DbmsDataSource& candidates, DbmsDataSource& assigned, Money amount);
    // Passes over the prize candidates while any is taken; returns the points left.
    qint64 AssignPrizes(DbmsDataSource& candidates, DbmsDataSource& assigned, qint64 points);

    DbmsDataSource& m_sale;
    qint64 m_customerPoints;
    qint64 m_available = 0;
    qint64 m_final = 0;
};
