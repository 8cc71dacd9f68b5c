// The sale's customer, its lines, its bonuses and prizes, each action one transaction.
#include "clsVendita.h"

#include "DbmsDatabase.h"
#include "clsArchiveSession.h"
#include "clsPremiBonus.h"
#include "clsSettings.h"

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
        // The open sale's totals go with the rows they count: the program may end before the
        // confirm.
        if (m_sale && m_sale->IsDirty()) m_sale->Update();
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
                     ? "Articoli.Descrizione Like " + DbmsDatabase::PatternLiteral("*" + text + "*")
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
    const int size = article->FieldInfo("Codice")->Size;
    if (code.size() > size) {
        // No article has a code that long, and a new one would get it cut short.
        m_clerk.Beep();
        m_clerk.Say(QString("Il codice articolo può avere al massimo %1 caratteri.").arg(size));
        return nullptr;
    }
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

OID clsVendita::EditLine(OID line) {
    if (!m_articles || line == 0 || !m_articles->Locate(line)) return m_clerk.Beep(), line;
    Transaction([&] {
        if (m_clerk.EditRow(*m_articles, false).isValid()) Refresh_Articoli();
    });
    return line;
}

OID clsVendita::RemoveLine(OID line) {
    if (!m_articles || line == 0 || !m_articles->Locate(line)) return m_clerk.Beep(), 0;
    Transaction([&] {
        m_sale->SetReference("Articoli", line, true);
        Refresh_Articoli();
    });
    return 0;
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
        // Whole pieces only: a prize given back would fill the stock and the customer's card.
        assigned->Locate(row.toLongLong());
        const qint64 pieces = assigned->GetValue("Quantita").toLongLong();
        if (pieces < 1)
            throw DbmsError(DbmsError::BadValue,
                            QString("La quantità deve essere almeno 1 (indicata %1).").arg(pieces));
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
