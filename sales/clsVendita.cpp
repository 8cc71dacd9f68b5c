#include "clsVendita.h"

#include "DbmsDatabase.h"
#include "clsArchiveSession.h"
#include "clsPremiBonus.h"
#include "clsSettings.h"
#include "modPunti.h"

namespace {

qint64 SumOf(DbmsDataSource& rows, const QString& field) {
    return rows.Sum(field).toLongLong();
}

QVariant Total(DbmsDataSource& lines) {
    const QVariant amount = lines.Sum("ImportoVendita");
    return QVariant::fromValue(amount.isValid() ? ToMoney(amount) : Money{});
}

} // namespace

clsVendita::clsVendita(clsArchiveSession& session, clsSettings& settings, itfVenditaClerk& clerk)
    : m_session(session), m_settings(settings), m_clerk(clerk) {}

std::shared_ptr<DbmsDatabase> clsVendita::Database() const {
    return m_session.Database();
}

void clsVendita::Transaction(const std::function<void()>& action) {
    const auto db = Database();
    db->BeginTrans();
    try {
        action();
    } catch (...) {
        RollbackAfterFailure();
        throw;
    }
    db->CommitTrans(); // a commit that fails is a failure like any other
}

void clsVendita::RollbackAfterFailure() {
    try {
        Database()->Rollback();
    } catch (const std::exception&) {
        // Nothing more can be undone; the failure that brought us here is what gets reported.
    }
}

bool clsVendita::IsEmpty() const {
    for (const auto* rows : {&m_articles, &m_prizes, &m_bonuses})
        if (*rows && !(*rows)->IsEmpty()) return false;
    return true;
}

// --- the customer ---

OID clsVendita::LookupCustomer(const QString& code) {
    // The code goes into the filter only as a quoted literal: a quote in it is just a quote.
    auto customers =
        Database()->Item("Clienti")->OpenDataSource("Codice=" + DbmsDatabase::TextLiteral(code));
    const int size = customers->FieldInfo("Codice")->Size;
    if (code.size() > size) {
        // No card is that long, and a new customer would get the code cut short.
        m_clerk.Beep();
        m_clerk.Say(QString("Il codice cliente può avere al massimo %1 caratteri.").arg(size));
        return 0;
    }
    if (!customers->IsEmpty()) {
        customers->MoveFirst();
        return customers->CurrentOID();
    }
    m_clerk.Beep();
    if (!m_clerk.Ask("Codice cliente non presente...\r\rVuoi immetterlo?")) return 0;
    return m_clerk.EditRow(*customers, true, {{"Codice", code}}).toLongLong();
}

OID clsVendita::ChooseCustomer() {
    auto customers = Database()->Item("Clienti")->OpenDataSource();
    return m_clerk.ChooseRow(*customers).toLongLong();
}

OID clsVendita::EditCustomer() {
    if (!m_sale) return 0;
    auto customer = m_sale->GetReference("Cliente");
    if (customer->IsEmpty()) return 0;
    customer->MoveFirst();
    return m_clerk.EditRow(*customer, false).toLongLong();
}

std::shared_ptr<DbmsDataSource> clsVendita::CustomerRow() const {
    auto customer = Database()->Item("Clienti")->OpenDataSource(
        "OID=" + DbmsDatabase::NumberLiteral(qint64(m_customer)));
    if (customer->IsEmpty()) return nullptr;
    customer->MoveFirst();
    return customer;
}

void clsVendita::ReadCustomer() {
    if (const auto customer = CustomerRow())
        m_customerPoints = customer->GetValue("Punti").toLongLong();
}

void clsVendita::Open(OID customer) {
    const bool fresh = !m_sale;
    try {
        Transaction([&] {
            if (fresh) {
                // The new sale is read back alone: a data source over every sale would list
                // them all first.
                const auto table = Database()->Item("OperazioniVendite");
                const OID sale = table->OpenDataSource("OID = 0")->AddRow(
                    {{"Cliente", customer}, {"Importo", 0}});
                m_sale =
                    table->OpenDataSource("OID = " + DbmsDatabase::NumberLiteral(qint64(sale)));
                m_sale->MoveFirst();
            } else {
                m_sale->SetReference("Cliente", customer, false);
            }
            m_customer = customer;
            ReadCustomer();
            Refresh_Articoli();
        });
    } catch (...) {
        // The transaction took the new row back: there is no sale.
        if (fresh) Release();
        throw;
    }
}

// --- lines ---

OID clsVendita::AddArticle(const QString& code) {
    OID line = 0;
    if (!m_sale) return line;
    Transaction([&] {
        const auto article = code.isEmpty() ? ChooseArticle() : ArticleByCode(code);
        if (article) line = AddLine(*article);
    });
    return line;
}

std::shared_ptr<DbmsDataSource> clsVendita::ChooseArticle() {
    QString text;
    bool anywhere = false;
    if (!m_clerk.SearchText(text, anywhere)) return nullptr;
    QString filter;
    if (!text.isEmpty())
        filter = anywhere
                     ? "Articoli.Descrizione Like " + DbmsDatabase::TextLiteral("%" + text + "%")
                     : "Articoli.Descrizione > " + DbmsDatabase::TextLiteral(text);
    auto found = Database()->Item("Articoli")->OpenDataSource(filter, "Articoli.Descrizione");
    const QVariant chosen = m_clerk.ChooseRow(*found);
    // The chosen row itself: articles without a code, or sharing one, are told apart only by it.
    if (!chosen.isValid() || !found->Locate(chosen.toLongLong())) return nullptr;
    return found;
}

std::shared_ptr<DbmsDataSource> clsVendita::ArticleByCode(const QString& code) {
    // The code reaches the filter only as a quoted literal.
    auto article =
        Database()->Item("Articoli")->OpenDataSource("Codice=" + DbmsDatabase::TextLiteral(code));
    if (!article->IsEmpty()) {
        article->MoveFirst();
        return article;
    }
    const QVariant added = m_clerk.EditRow(*article, true, {{"Codice", code}});
    if (!added.isValid()) return nullptr;
    article->Refresh(false);
    article->Locate(added.toLongLong());
    return article;
}

OID clsVendita::AddLine(DbmsDataSource& article) {
    if (!m_sale) return 0;
    const OID articleOid = article.CurrentOID();
    const Money price = ToMoney(article.GetValue("Importo"));
    const int quantity = 1;
    const QString link = m_articles->TableDef().ParentLinkField();
    const QString sameArticle = link + "=" + DbmsDatabase::NumberLiteral(qint64(articleOid));

    OID line = 0;
    if (m_articles->FindNext(sameArticle) && price != Money{}) {
        m_articles->SetValue("Quantita", m_articles->GetValue("Quantita").toLongLong() + quantity);
        m_articles->Update();
        line = m_articles->CurrentOID();
    } else {
        const Money amount = quantity > 0 ? price * quantity : Money{};
        if (amount != Money{}) {
            line = m_articles->AddRow({{"Quantita", quantity},
                                       {"ImportoVendita", QVariant::fromValue(amount)},
                                       {link, articleOid}});
        } else {
            // An article without a list price: the clerk enters the price of the line.
            const QVariant added =
                m_clerk.EditRow(*m_articles, true, {{"Quantita", quantity}, {link, articleOid}});
            if (!added.isValid()) return 0;
            line = added.toLongLong();
        }
        if (m_articles->IsDirty()) m_articles->Update();
        if (line != 0) m_sale->SetReference("Articoli", line, false);
    }
    Refresh_Articoli();
    return line;
}

OID clsVendita::AddLine() {
    OID line = 0;
    Transaction([&] {
        if (!m_articles) return;
        const QVariant added = m_clerk.EditRow(*m_articles, true);
        if (!added.isValid()) return;
        line = added.toLongLong();
        m_articles->Locate(line);
        m_sale->SetReference("Articoli", line, false);
        Refresh_Articoli();
    });
    return line;
}

void clsVendita::EditLine(OID line) {
    if (!m_articles || line == 0 || !m_articles->Locate(line)) return m_clerk.Beep();
    Transaction([&] {
        if (m_clerk.EditRow(*m_articles, false).isValid()) Refresh_Articoli();
    });
}

void clsVendita::RemoveLine(OID line) {
    if (!m_articles || line == 0 || !m_articles->Locate(line)) return m_clerk.Beep();
    Transaction([&] {
        m_sale->SetReference("Articoli", line, true);
        Refresh_Articoli();
    });
}

OID clsVendita::ChangeQuantity(OID line, int delta) {
    if (!m_articles || !m_articles->Locate(line)) return line;
    Transaction([&] {
        // Only articles with a list price count by pieces; the others were priced by hand.
        if (ToMoney(m_articles->GetValue("Importo")) > Money{}) {
            m_articles->SetValue("Quantita", m_articles->GetValue("Quantita").toLongLong() + delta);
            m_articles->Update();
        } else {
            m_clerk.Beep();
        }
        if (delta < 0 && m_articles->GetValue("Quantita").toLongLong() <= 0) {
            m_sale->SetReference("Articoli", line, true);
            line = 0;
        }
        Refresh_Articoli();
    });
    return line;
}

void clsVendita::Refresh() {
    if (m_sale) Transaction([this] { Refresh_Articoli(); });
}

void clsVendita::Refresh_Articoli() {
    m_articles = m_sale->GetReference("Articoli");
    Totalize();
}

void clsVendita::Totalize() {
    m_sale->SetValue("Importo", Total(*m_articles));
    m_sale->SetValue("PuntiAssegnati", CheckedPoints("Il totale dei punti della vendita",
                                                     SumOf(*m_articles, "PuntiAssegnati")));
    IdentifyBonusRows(m_settings.AutoIdentify_Bonus);
}

// --- bonuses and prizes ---

void clsVendita::Identify_Bonus(bool automatic) {
    if (m_sale) Transaction([&] { IdentifyBonusRows(automatic); });
}

void clsVendita::Identify_Premi(bool automatic) {
    if (m_sale) Transaction([&] { IdentifyPrizeRows(automatic); });
}

void clsVendita::IdentifyBonusRows(bool automatic) {
    m_bonuses = clsPremiBonus(*m_sale, m_customerPoints).IdentifyBonus(automatic);
    IdentifyPrizeRows(m_settings.AutoIdentify_Premi);
}

void clsVendita::IdentifyPrizeRows(bool automatic) {
    m_prizes = clsPremiBonus(*m_sale, m_customerPoints).IdentifyPrizes(automatic);
}

void clsVendita::AddAssigned(const QString& definitions, const QString& collection) {
    if (!m_sale) return;
    Transaction([&] {
        auto table = Database()->Item(definitions)->OpenDataSource();
        const QVariant chosen = m_clerk.ChooseRow(*table);
        if (!chosen.isValid()) return;
        auto assigned = m_sale->GetReference(collection);
        const QString link = assigned->TableDef().ParentLinkField();
        const QVariant row = m_clerk.EditRow(*assigned, true, {{link, chosen}, {"Quantita", 1}});
        if (!row.isValid()) return;
        m_sale->SetReference(collection, row.toLongLong(), false);
        if (collection == "Bonus") {
            IdentifyBonusRows(false);
        } else {
            // Hand-chosen prizes are not tested against the points, but never beyond stock.
            clsPremiBonus(*m_sale, m_customerPoints).CheckPrizeStock();
            IdentifyPrizeRows(false);
        }
    });
}

void clsVendita::RemoveAssigned(OID row, const QString& collection) {
    const auto& rows = collection == "Bonus" ? m_bonuses : m_prizes;
    if (!m_sale || !rows || row == 0 || !rows->Locate(row)) return m_clerk.Beep();
    Transaction([&] {
        m_sale->SetReference(collection, row, true);
        if (collection == "Bonus")
            IdentifyBonusRows(false);
        else
            IdentifyPrizeRows(false);
    });
}

// --- confirm, cancel, resync ---

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
