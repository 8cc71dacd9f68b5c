// Confirming a sale: its payment, the customer's new balance and the prizes' stock, all in one
// transaction; and reading the sale back from the archive after anything failed.
#include "frmVendite.h"

#include "DbmsFormService.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "clsPremiBonus.h"
#include "clsSettings.h"
#include "itfPrompter.h"
#include "modPunti.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>

namespace {

qint64 SumOf(DbmsDataSource& rows, const QString& field) {
    return rows.Sum(field).toLongLong();
}

} // namespace

void frmVendite::RollbackAfterFailure() {
    try {
        m_session.Database()->Rollback();
    } catch (const std::exception&) {
        // Nothing more can be undone; the failure that brought us here is what gets reported.
    }
}

void frmVendite::cmdConfirm_Click() {
    if (!m_sale) return;
    try {
        ConfirmSale();
    } catch (const std::exception& e) {
        Resync();
        ReportFailure("Errore in conferma dati: \r\r", e);
    }
}

void frmVendite::ConfirmSale() {
    const bool hasGoods =
        m_articles && (!m_articles->IsEmpty() || (m_bonuses && !m_bonuses->IsEmpty()));
    const bool hasPrizes = m_prizes && !m_prizes->IsEmpty();
    if (!hasGoods && !hasPrizes) {
        ShowMessage(this,
                    "Nessun articolo o premiazione\r\rDevi inserire gli articoli della vendita o "
                    "effettuare una premiazione...",
                    PromptIcon::Exclamation);
        return;
    }
    auto customer = m_session.Database()->Item("Clienti")->OpenDataSource(
        "OID=" + DbmsDatabase::NumberLiteral(qint64(m_customer)));
    if (customer->IsEmpty())
        throw DbmsError(DbmsError::NoCurrentRow, "Il cliente della vendita non è più in archivio");
    customer->MoveFirst();

    // The sale, its payment, the customer's balance and the prize stock: all or nothing.
    const auto db = m_session.Database();
    OID paymentType = 0;
    bool paid = true;
    db->BeginTrans();
    try {
        // What the window shows is what is stored: the note and the voucher as they stand, the
        // totals from the sale's rows in the archive, whatever a failed step left in the row.
        m_sale->SetValue("Note", txtNote->toPlainText());
        m_sale->SetValue("RiferimentoVoucher", txtRiferimento->text());
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
        Resync();
        return;
    }
    db->CommitTrans();
    if (paymentType != 0)
        m_settings.WriteSetting("OperazioniVendite", "PagamentoDefault",
                                QString::number(paymentType));

    Prompter().Beep();
    // The sale is kept: the form lets go of it without deleting it.
    Release();
    RefreshDisplay();
    if (ShowMessage(this, "Operazione confermata.\r\rVuoi effettuarne una nuova ?",
                    PromptIcon::Question, PromptButtons::YesNo,
                    PromptAnswer::Yes) == PromptAnswer::No)
        close();
}

bool frmVendite::PaymentStep(OID& paymentType) {
    const QString stored = m_settings.ReadSetting("OperazioniVendite", "PagamentoDefault");
    auto types = m_session.Database()->Item("TipiPagamento")->OpenDataSource();
    OID type = 0;
    bool numeric = false;
    const OID storedType = stored.trimmed().toLongLong(&numeric);
    if (numeric && types->Locate(storedType)) type = storedType;
    if (type == 0) {
        const QVariant chosen = FormService().ShowSelectionList(this, *types);
        if (!chosen.isValid()) return false;
        type = chosen.toLongLong();
    }

    const auto table = m_session.Database()->Item("Pagamenti");
    const OID payment = table->OpenDataSource("OID = 0")->AddRow(
        {{"Importo", m_sale->GetValue("Importo")}, {"Cliente", m_customer}, {"Pagamento", type}});
    m_sale->SetReference("Pagamento", payment, false);
    m_sale->Update();
    // The new payment alone: listing every payment of the archive would be the slow part.
    auto payments = table->OpenDataSource("OID = " + DbmsDatabase::NumberLiteral(qint64(payment)));
    payments->MoveFirst();
    if (!FormService().ShowRowEditor(this, *payments, false).isValid()) return false;
    // The type the clerk left on the payment is the next sale's default.
    payments->Refresh(true);
    payments->MoveFirst();
    paymentType = payments->GetValue("OID_Pagamento").toLongLong();
    return true;
}

void frmVendite::TotalsFromArchive() {
    auto lines = m_sale->GetReference("Articoli");
    const QVariant amount = lines->Sum("ImportoVendita");
    m_sale->SetValue("Importo", QVariant::fromValue(amount.isValid() ? ToMoney(amount) : Money{}));
    m_sale->SetValue("PuntiAssegnati", CheckedPoints("Il totale dei punti della vendita",
                                                     SumOf(*lines, "PuntiAssegnati")));
    m_bonuses = m_sale->GetReference("Bonus");
    BindAssigned(dgBonus, m_bonuses);
    m_sale->SetValue("PuntiBonus", CheckedPoints("Il totale dei punti bonus",
                                                 SumOf(*m_bonuses, "PuntiAssegnati")));
    m_prizes = m_sale->GetReference("Premi");
    BindAssigned(dgPremi, m_prizes);
    m_sale->SetValue("PuntiSpesi",
                     CheckedPoints("Il totale dei punti spesi", SumOf(*m_prizes, "PuntiSpesi")));
    lblTot_Punti->setText(QString::number(BalanceAfterSale(m_customerPoints)));
}

qint64 frmVendite::BalanceAfterSale(qint64 points) const {
    return points + m_sale->GetValue("PuntiBonus").toLongLong() +
           m_sale->GetValue("PuntiAssegnati").toLongLong() -
           m_sale->GetValue("PuntiSpesi").toLongLong();
}

void frmVendite::Resync() {
    if (!m_sale) return;
    const QString note = txtNote->toPlainText();
    const QString voucher = txtRiferimento->text();
    try {
        if (m_sale->IsDirty()) m_sale->CancelUpdate();
        m_sale->Refresh(true);
        if (m_sale->IsEmpty()) {
            // The sale itself was undone (it failed while being opened): there is none.
            Release();
            RefreshDisplay();
            return;
        }
        m_sale->MoveFirst();
        m_customer = m_sale->GetValue("OID_Cliente").toLongLong();
        ShowCustomer();
        txtDataOra->setText(m_sale->GetText("Data"));
        BindArticles(0);
        TotalsFromArchive();
        m_sale->SetValue("Note", note);
        BindNote();
        m_sale->SetValue("RiferimentoVoucher", voucher);
    } catch (const std::exception&) {
        // Reading back is the best effort after a failure; the failure itself is reported by
        // the caller.
    }
}
