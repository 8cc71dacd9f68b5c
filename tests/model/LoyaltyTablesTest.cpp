// Prizes and bonuses: the expiry one calendar year on, and the points of the rows assigned
// within a sale.
#include "TempArchive.h"
#include "modDateUtil.h"

#include <gtest/gtest.h>

namespace {

QDateTime At(int y, int m, int d, int h = 0, int min = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

TEST(AddOneYearTest, KeepsDayMonthAndTimeOfDayButThe29thOfFebruaryBecomesThe28th) {
    const std::pair<QDateTime, QDateTime> cases[] = {
        {At(2024, 3, 15, 10, 30), At(2025, 3, 15, 10, 30)},
        {At(2023, 12, 31, 23, 59), At(2024, 12, 31, 23, 59)},
        {At(2023, 2, 28), At(2024, 2, 28)},
        {At(2023, 3, 1), At(2024, 3, 1)},
        {At(2024, 2, 29, 8, 15), At(2025, 2, 28, 8, 15)},
        {At(2000, 2, 29), At(2001, 2, 28)}};
    for (const auto& [from, to] : cases)
        EXPECT_EQ(AddOneYear(from), to) << from.toString().toStdString();
}

// A prize spends its points, a bonus earns them: each per unit of the row's quantity.
TEST(LoyaltyTablesTest, AssignedRowsCountQuantityTimesTheirPoints) {
    const struct {
        const char *Definitions, *Points, *Collection, *Link, *Table, *Result;
    } cases[] = {
        {"TabellaPremi", "PuntiNecessari", "Premi", "OID_TabellaPremi", "PremiAssegnati",
         "PuntiSpesi"},
        {"TabellaBonus", "Punti", "Bonus", "OID_TabellaBonus", "BonusAssegnati", "PuntiAssegnati"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Table);
        TempArchive a;
        a.Create();
        auto rows = a.Open("OperazioniVendite");
        rows->AddRow({{"Importo", Amount(0)}});
        rows = rows->GetReference(c.Collection);
        const auto stored = [&](OID row) {
            return a.Scalar(
                QString("SELECT %1 FROM %2 WHERE OID = %3").arg(c.Result, c.Table).arg(row));
        };
        const OID definition =
            a.Open(c.Definitions)->AddRow({{"Descrizione", "Zaino"}, {c.Points, 500}});
        const OID row = rows->AddRow({{c.Link, definition}, {"Quantita", 3}});
        EXPECT_EQ(stored(row), 1500);
        rows->Locate(row);
        rows->SetValue("Quantita", 1);
        rows->Update();
        EXPECT_EQ(stored(row), 500);
        // The definition's points, changed through the assigned row.
        rows->SetValue(c.Points, 200);
        EXPECT_EQ(rows->GetValue(c.Result).toLongLong(), 200);
        // Linking the definition after the quantity gives the same result.
        EXPECT_EQ(stored(rows->AddRow({{"Quantita", 2}, {c.Link, definition}})), 400);
        // Points beyond 32 bits are refused.
        const OID huge =
            a.Open(c.Definitions)->AddRow({{"Descrizione", "Enorme"}, {c.Points, 2000000000}});
        EXPECT_THROW(rows->AddRow({{c.Link, huge}, {"Quantita", 2}}), DbmsError);
        rows->CancelUpdate();
        EXPECT_EQ(a.Scalar(QString("SELECT COUNT(*) FROM ") + c.Table), 2);
    }
}

} // namespace
