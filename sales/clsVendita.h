#pragma once
// One sale at the counter, without its window: the sale of one card holder with its article
// lines, the prizes handed out and the bonuses granted, their totals, the confirm and the
// cancel. Each clerk's action below is one transaction: when it fails nothing of it stays and
// the error (a DbmsError with the clerk's message) goes to the caller, which reads the sale back
// with Resync. What the clerk decides on the way is asked through itfVenditaClerk.

#include "DbmsDataSource.h"

#include <functional>
#include <memory>

class clsArchiveSession;
class clsSettings;

// The clerk's answers a sale needs, given by the window's dialogs.
class itfVenditaClerk {
public:
    virtual ~itfVenditaClerk() = default;
    // The row editor on a new row of `rows` pre-filled with `values`, or on its current row:
    // the row's OID, or invalid when the clerk gave up.
    virtual QVariant EditRow(DbmsDataSource& rows, bool newRow,
                             const DbmsFieldValues& values = {}) = 0;
    // The OID the clerk chose from the list of `rows`, or invalid.
    virtual QVariant ChooseRow(DbmsDataSource& rows) = 0;
    // A yes/no question, Yes proposed; true for Yes.
    virtual bool Ask(const QString& question) = 0;
    // A refusal said to the clerk.
    virtual void Say(const QString& text) = 0;
    // A refusal that needs no words.
    virtual void Beep() = 0;
    // The text to look for in the articles' descriptions, and whether it may stand anywhere in
    // them (else they start from it); false when the clerk gave up.
    virtual bool SearchText(QString& text, bool& anywhere) = 0;
};

class clsVendita {
public:
    // How a confirm ended: nothing to confirm (the clerk is told), no payment (the sale stays
    // open), stored.
    enum class Esito { Vuota, NonPagata, Confermata };

    // The sale goes into `session`'s archive; the automatic identification switches and the
    // default payment are read from `settings`. All three outlive the sale.
    clsVendita(clsArchiveSession& session, clsSettings& settings, itfVenditaClerk& clerk);

    // --- the customer ---
    // The customer whose card is `code`; when none has it, a new one as the clerk fills him in
    // if he wants to. 0 when there is none, or the code is longer than a card.
    OID LookupCustomer(const QString& code);
    // The customer the clerk chooses from the list; 0 for none.
    OID ChooseCustomer();
    // The sale's customer as the clerk edited him; 0 when he gave up.
    OID EditCustomer();
    // Opens a new sale for `customer`, or hands the open one over to him; its lines, bonuses
    // and prizes are counted again for his balance. A sale that cannot be opened whole is not.
    void Open(OID customer);
    // The sale's customer, positioned; null when he is no longer in the archive.
    std::shared_ptr<DbmsDataSource> CustomerRow() const;

    // --- lines (each returns the line to show, 0 for none in particular) ---
    // One piece more of the article with this code (made with it when none has it), or of the
    // one the clerk chooses by its description when the code is empty: on its line when it has
    // a list price, else on a new line whose price the clerk enters. 0 when the clerk gave up.
    OID AddArticle(const QString& code);
    // A line the clerk defines by hand.
    OID AddLine();
    // The line in its editor, or taken away; no such line: a beep.
    OID EditLine(OID line);
    OID RemoveLine(OID line);
    // Pieces of the line, only for articles with a list price; the last piece taken away
    // removes the line.
    OID ChangeQuantity(OID line, int delta);
    // Counts the lines again, and the bonuses and prizes as the switches say.
    void Refresh();

    // --- bonuses and prizes ---
    void Identify_Bonus(bool automatic);
    void Identify_Premi(bool automatic);
    // A row chosen and filled in by the clerk; prizes never beyond their stock.
    void AddBonus() { AddAssigned("TabellaBonus", "Bonus"); }
    void AddPremio() { AddAssigned("TabellaPremi", "Premi"); }
    void RemoveBonus(OID row) { RemoveAssigned(row, "Bonus"); }
    void RemovePremio(OID row) { RemoveAssigned(row, "Premi"); }

    // --- totals ---
    // The customer's points once this sale is stored: what it earns, less what it spends.
    qint64 BalanceAfterSale() const { return BalanceAfterSale(m_customerPoints); }

    // --- the end of a sale ---
    // Stores the sale with `note` and `voucher`, its payment (asked when it sells articles),
    // the customer's new balance and the prizes taken from stock: all or nothing. A balance
    // beyond the card's range or prizes beyond their stock are refused before anything is
    // written. Once stored the sale is let go.
    Esito Confirm(const QString& note, const QString& voucher);
    // Deletes the unconfirmed sale with its lines, prizes and bonuses.
    void Cancel();
    // Lets go of the sale without deleting it.
    void Release();
    // After a failure: the sale as the archive holds it, with `note` and `voucher` as the clerk
    // typed them; false when there is no sale any more.
    bool Resync(const QString& note, const QString& voucher);

    bool IsOpen() const { return m_sale != nullptr; }
    // No lines, prizes or bonuses.
    bool IsEmpty() const;
    bool HasLines() const { return m_articles && m_articles->RowCount() >= 1; }
    const std::shared_ptr<DbmsDataSource>& Sale() const { return m_sale; }
    const std::shared_ptr<DbmsDataSource>& SoldArticles() const { return m_articles; }
    const std::shared_ptr<DbmsDataSource>& AssignedPrizes() const { return m_prizes; }
    const std::shared_ptr<DbmsDataSource>& AssignedBonuses() const { return m_bonuses; }

private:
    std::shared_ptr<DbmsDatabase> Database() const;
    // `action` as one transaction, undone whole when anything fails, the commit too.
    void Transaction(const std::function<void()>& action);
    // Undoes the transaction of a failed action; the action's own error is the one reported.
    void RollbackAfterFailure();
    void ReadCustomer();
    std::shared_ptr<DbmsDataSource> ChooseArticle();
    std::shared_ptr<DbmsDataSource> ArticleByCode(const QString& code);
    OID AddLine(DbmsDataSource& article);
    void Refresh_Articoli();
    void Totalize();
    void IdentifyBonusRows(bool automatic);
    void IdentifyPrizeRows(bool automatic);
    void AddAssigned(const QString& definitions, const QString& collection);
    void RemoveAssigned(OID row, const QString& collection);
    // Records the payment; false when the clerk chose no type or cancelled.
    bool PaymentStep(OID& paymentType);
    // The totals and the assigned rows as the sale's rows in the archive give them; nothing is
    // identified again.
    void TotalsFromArchive();
    qint64 BalanceAfterSale(qint64 points) const;

    clsArchiveSession& m_session;
    clsSettings& m_settings;
    itfVenditaClerk& m_clerk;
    std::shared_ptr<DbmsDataSource> m_sale;
    std::shared_ptr<DbmsDataSource> m_articles;
    std::shared_ptr<DbmsDataSource> m_prizes;
    std::shared_ptr<DbmsDataSource> m_bonuses;
    OID m_customer = 0;
    // The customer's stored points; the balance changes only when a sale is confirmed.
    qint64 m_customerPoints = 0;
};
