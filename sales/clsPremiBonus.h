#pragma once
// The bonuses a sale earns and the prizes it hands out, identified by the agency's rules
// (automatic mode) or taken as the clerk chose them (manual mode). Works on the data sources
// only: the sale window rebinds its grids and labels from what these return.

#include "DbmsDataSource.h"

#include <memory>

class clsPremiBonus {
public:
    // `sale`: a data source over OperazioniVendite positioned on the sale being entered; its
    // buffer may hold totals not stored yet. `customerPoints`: the customer's stored Punti.
    clsPremiBonus(DbmsDataSource& sale, int customerPoints);

    // Recomputes the sale's bonuses and PuntiBonus. Automatic: every assigned bonus is removed
    // and the candidates (not expired, minimum amount reached) granted again. Manual: the
    // points are the sum over the assigned rows. Returns the sale's Bonus collection, re-read.
    std::shared_ptr<DbmsDataSource> IdentifyBonus(bool automatic);

    // Recomputes the sale's prizes and PuntiSpesi against the points available (the
    // customer's points, the sale's bonus points and the points of its lines). Automatic:
    // the assigned prizes are removed and the candidates (not expired, affordable, in stock,
    // needing at least one point) assigned in passes. Returns the sale's Premi collection.
    std::shared_ptr<DbmsDataSource> IdentifyPrizes(bool automatic);

    // Points available before spending and the balance after the sale, as the last
    // IdentifyPrizes computed them.
    int Available() const { return m_available; }
    int FinalBalance() const { return m_final; }

private:
    // One reading of the bonus candidates; returns the points granted.
    int GrantBonuses(DbmsDataSource& candidates, DbmsDataSource& assigned, Money amount);
    // Passes over the prize candidates while any is taken; returns the points left.
    int AssignPrizes(DbmsDataSource& candidates, DbmsDataSource& assigned, int points);

    DbmsDataSource& m_sale;
    int m_customerPoints;
    int m_available = 0;
    int m_final = 0;
};
