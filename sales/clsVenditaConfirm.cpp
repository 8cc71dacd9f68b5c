// Confirming a sale: its totals, its payment, the customer's new balance and the prizes' stock,
// all in one transaction; cancelling it, and reading it back after a failure.
#include "clsVendita.h"

#include "DbmsDatabase.h"
#include "clsPremiBonus.h"
#include "clsSettings.h"
#include "modPunti.h"

#include <limits>

namespace {

qint64 SumOf(DbmsDataSource& rows, const QString& field) {
    return rows.Sum(field).toLongLong();
}

QVariant Total(DbmsDataSource& lines) {
    // Added up here: a total beyond what ten-thousandths hold is refused by name, where the
    // archive's own sum would fail with a bare overflow.
    __int128 units = 0;
    for (lines.MoveFirst(); !lines.AtEnd(); lines.MoveNext())
        units += ToMoney(lines.GetValue("ImportoVendita")).Units;
    if (units < std::numeric_limits<qint64>::min() || units > std::numeric_limits<qint64>::max())
        throw DbmsError(DbmsError::BadValue, "Il totale della vendita è fuori dai limiti ammessi.");
    return QVariant::fromValue(Money::FromUnits(qint64(units)));
}

} // namespace

void clsVendita::Totalize() {
    m_sale->SetValue("Importo", Total(*m_articles));
    m_sale->SetValue("PuntiAssegnati", CheckedPoints("Il totale dei punti della vendita",
                                                     SumOf(*m_articles, "PuntiAssegnati")));
    IdentifyBonusRows(m_settings.AutoIdentify_Bonus);
}

clsVendita::Esito clsVendita::Confirm(const QString& note, const QString& voucher) {
    const bool hasGoods =
        m_articles && (!m_articles->IsEmpty() || (m_bonuses && !m_bonuses->IsEmpty()));
    const bool hasPrizes = m_prizes && !m_prizes->IsEmpty();
    if (!m_sale) return Esito::Vuota;
    if (!hasGoods && !hasPrizes) {
        m_clerk.Say("Nessun articolo o premiazione\r\rDevi inserire gli articoli della vendita o "
                    "effettuare una premiazione...");
        return Esito::Vuota;
    }
    const auto customer = CustomerRow();
    if (!customer)
        throw DbmsError(DbmsError::NoCurrentRow, "Il cliente della vendita non è più in archivio");

    // The sale, its payment, the customer's balance and the prize stock: all or nothing.
    const auto db = Database();
    OID paymentType = 0;
    bool paid = true;
    db->BeginTrans();
    try {
        // What the window shows is what is stored: the note and the voucher as they stand, the
        // totals from the sale's rows in the archive, whatever a failed step left in the row.
        m_sale->SetValue("Note", note);
        m_sale->SetValue("RiferimentoVoucher", voucher);
        TotalsFromArchive();
        // Refused whole, before anything is written: a balance beyond the card's range, or
        // more prizes than are in stock.
        const qint64 balance = BalanceAfterSale(customer->GetValue("Punti").toLongLong());
        if (!PointsInRange(balance))
            throw DbmsError(DbmsError::BadValue,
                            PointsRangeText("Il nuovo punteggio del cliente", balance) +
                                ": la vendita non è stata registrata.");
        clsPremiBonus prizes(*m_sale, m_customerPoints);
        const auto pieces = prizes.CheckPrizeStock();

        m_sale->Update();
        paid = !(hasGoods && !m_articles->IsEmpty()) || PaymentStep(paymentType);
        if (paid) {
            customer->SetValue("Punti", balance);
            customer->Update();
            prizes.TakePrizeStock(pieces);
        }
    } catch (...) {
        RollbackAfterFailure();
        throw;
    }
    if (!paid) {
        // No payment, no sale: it stays open as the clerk left it.
        db->Rollback();
        Resync(note, voucher);
        return Esito::NonPagata;
    }
    db->CommitTrans();
    if (paymentType != 0)
        m_settings.WriteSetting("OperazioniVendite", "PagamentoDefault",
                                QString::number(paymentType));
    // The sale is kept: it is let go without being deleted.
    Release();
    return Esito::Confermata;
}

bool clsVendita::PaymentStep(OID& paymentType) {
    const QString stored = m_settings.ReadSetting("OperazioniVendite", "PagamentoDefault");
    auto types = Database()->Item("TipiPagamento")->OpenDataSource();
    OID type = 0;
    bool numeric = false;
    const OID storedType = stored.trimmed().toLongLong(&numeric);
    if (numeric && types->Locate(storedType)) type = storedType;
    if (type == 0) {
        const QVariant chosen = m_clerk.ChooseRow(*types);
        if (!chosen.isValid()) return false;
        type = chosen.toLongLong();
    }

    const auto table = Database()->Item("Pagamenti");
    const OID payment = table->OpenDataSource("OID = 0")->AddRow(
        {{"Importo", m_sale->GetValue("Importo")}, {"Cliente", m_customer}, {"Pagamento", type}});
    m_sale->SetReference("Pagamento", payment, false);
    m_sale->Update();
    // The new payment alone: listing every payment of the archive would be the slow part.
    auto payments = table->OpenDataSource("OID = " + DbmsDatabase::NumberLiteral(qint64(payment)));
    payments->MoveFirst();
    if (!m_clerk.EditRow(*payments, false).isValid()) return false;
    // The type the clerk left on the payment is the next sale's default.
    payments->Refresh(true);
    payments->MoveFirst();
    paymentType = payments->GetValue("OID_Pagamento").toLongLong();
    return true;
}

void clsVendita::TotalsFromArchive() {
    auto lines = m_sale->GetReference("Articoli");
    m_sale->SetValue("Importo", Total(*lines));
    m_sale->SetValue("PuntiAssegnati", CheckedPoints("Il totale dei punti della vendita",
                                                     SumOf(*lines, "PuntiAssegnati")));
    m_bonuses = m_sale->GetReference("Bonus");
    m_sale->SetValue("PuntiBonus", CheckedPoints("Il totale dei punti bonus",
                                                 SumOf(*m_bonuses, "PuntiAssegnati")));
    m_prizes = m_sale->GetReference("Premi");
    m_sale->SetValue("PuntiSpesi",
                     CheckedPoints("Il totale dei punti spesi", SumOf(*m_prizes, "PuntiSpesi")));
}

qint64 clsVendita::BalanceAfterSale(qint64 points) const {
    if (!m_sale) return points;
    return points + m_sale->GetValue("PuntiBonus").toLongLong() +
           m_sale->GetValue("PuntiAssegnati").toLongLong() -
           m_sale->GetValue("PuntiSpesi").toLongLong();
}

void clsVendita::Cancel() {
    if (m_sale) {
        // The unconfirmed sale goes, with the lines, prizes and bonuses it owns.
        if (m_sale->IsDirty()) m_sale->CancelUpdate();
        if (m_sale->HasCurrentRow()) m_sale->Delete();
    }
    Release();
}

void clsVendita::Release() {
    m_sale.reset();
    m_articles.reset();
    m_prizes.reset();
    m_bonuses.reset();
    m_customer = 0;
}

bool clsVendita::Resync(const QString& note, const QString& voucher) {
    if (!m_sale) return false;
    try {
        if (m_sale->IsDirty()) m_sale->CancelUpdate();
        m_sale->Refresh(true);
        if (m_sale->IsEmpty()) {
            // The sale itself was undone: there is none.
            Release();
            return false;
        }
        m_sale->MoveFirst();
        m_customer = m_sale->GetValue("OID_Cliente").toLongLong();
        ReadCustomer();
        m_articles = m_sale->GetReference("Articoli");
        TotalsFromArchive();
        m_sale->SetValue("Note", note);
        m_sale->SetValue("RiferimentoVoucher", voucher);
    } catch (const std::exception&) {
        // Reading back is the best effort after a failure; the failure itself is reported by
        // the caller.
    }
    return true;
}
