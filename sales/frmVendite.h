#pragma once
// "Vendita / Premiazione": the counter window in which one sale is recorded for one card
// holder: the articles sold, the prizes handed out, the bonuses granted and the payment.
// It is worked from the keyboard and the card reader alone.

#include "DbmsDataSource.h"

#include <QDialog>
#include <functional>

class clsArchiveSession;
class clsSettings;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

class frmVendite : public QDialog {
    Q_OBJECT
public:
    // Makes a text box the target of the serial reader's codes (nullptr: none).
    using BarcodeTarget = std::function<void(QLineEdit*)>;

    // The sale is recorded in `session`'s archive; the prize and bonus switches are kept in
    // `settings`. Both outlive the window.
    frmVendite(clsArchiveSession& session, clsSettings& settings, QWidget* owner = nullptr,
               BarcodeTarget setBarcodeControl = {});
    ~frmVendite() override;

    // Runs the window modally over `owner` (through the prompter, so tests can drive it).
    static void ShowModal(QWidget* owner, clsArchiveSession& session, clsSettings& settings,
                          BarcodeTarget setBarcodeControl);

    // --- operations ---
    void Set_Vendita(OID customer);
    void InitControls();
    void Refresh_Articoli(OID line = 0);
    void Totalize();
    void Identify_Bonus(bool automatic);
    void Identify_Premi(bool automatic);

    bool IsSaleOpen() const { return m_sale != nullptr; }
    const std::shared_ptr<DbmsDataSource>& Sale() const { return m_sale; }
    const std::shared_ptr<DbmsDataSource>& SoldArticles() const { return m_articles; }
    const std::shared_ptr<DbmsDataSource>& AssignedPrizes() const { return m_prizes; }
    const std::shared_ptr<DbmsDataSource>& AssignedBonuses() const { return m_bonuses; }
    bool CaptureMode() const { return m_blnCapture; }

    // --- commands ---
    void cmdConfirm_Click();
    void cmdCancel_Click();
    void cmdSet_Cliente_Click();
    void cmdSet_DataOra_Click();
    void cmdAutoAdd_Click();
    void cmdAddItem_Click();
    void cmdEdit_Click();
    void cmdDeleteItem_Click();
    void cmdAdd_Bonus_Click();
    void cmdDel_Bonus_Click();
    void cmdAdd_Premi_Click();
    void cmdDel_Premi_Click();
    void txtCliente_DblClick();

    // --- controls (also reachable by objectName) ---
    QLabel* lblCliente;
    QLineEdit* txtCode_Cliente;
    QLineEdit* txtCliente;
    QPushButton* cmdSet_Cliente;
    QLabel* lblPunti;
    QLineEdit* txtDataOra;
    QPushButton* cmdSet_DataOra;
    QLineEdit* txtRiferimento;
    QPlainTextEdit* txtNote;
    QLineEdit* txtCode_Articolo;
    QPushButton* cmdAutoAdd;
    QPushButton* cmdAddItem;
    QPushButton* cmdEdit;
    QPushButton* cmdDeleteItem;
    QTableView* dgArticoli;
    QLabel* lblTotale;
    QLabel* lblTotaleConv;
    QLabel* lblAltraValuta;
    QTableView* dgPremi;
    QTableView* dgBonus;
    QPushButton* cmdAdd_Premi;
    QPushButton* cmdDel_Premi;
    QPushButton* cmdIdentify_Premi;
    QCheckBox* chkAutoIdentify_Premi;
    QPushButton* cmdAdd_Bonus;
    QPushButton* cmdDel_Bonus;
    QPushButton* cmdIdentify_Bonus;
    QCheckBox* chkAutoIdentify_Bonus;
    QLabel* lblTot_PuntiNecessari;
    QLabel* lblTot_PuntiBonus;
    QLabel* lblTot_Punti;
    QPushButton* cmdConfirm;
    QPushButton* cmdCancel;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // frmVendite.cpp: building, display, cancel, reset; frmVenditeConfirm.cpp: confirm
    void BuildControls();
    void RefreshDisplay();
    void ShowCustomer();
    void SetControlsEnabled(bool enabled);
    // Lets go of the sale without deleting it (confirmed, or gone from the archive).
    void Release();
    // Deletes the unconfirmed sale, then lets go of it.
    void Reset();
    void Unload();
    bool IsEmptySale() const;
    // Records the payment of the sale; false when the clerk chose no type or cancelled.
    bool PaymentStep(OID& paymentType);
    void ConfirmSale();
    void CancelSale();
    // The sale's totals and the balance as the sale's rows in the archive give them, with the
    // assigned bonuses and prizes bound afresh; nothing is identified again.
    void TotalsFromArchive();
    // The customer's points once this sale is stored: what it earns, less what it spends.
    qint64 BalanceAfterSale(qint64 points) const;
    // After a failed action: the window reads the archive again, keeping the note and the
    // voucher as the clerk typed them.
    void Resync();
    void BindNote();
    // Runs a clerk's action under the window's error trap: an engine failure is reported and
    // the window goes on from what the archive holds.
    void Guarded(const std::function<void()>& action);
    // The same, with the action as one transaction: a sale line with its totals, bonuses and
    // prizes is written together, and undone together when anything fails, the commit too.
    void GuardedTransaction(const std::function<void()>& action);
    // Undoes the transaction of an action that failed; the action's own error is the one the
    // clerk is told about.
    void RollbackAfterFailure();
    // A refused value is said plainly; any other failure goes to the error report.
    void ReportFailure(const QString& context, const std::exception& error);

    // frmVenditeCustomer.cpp: finding the customer
    void txtCode_Cliente_Change();
    void txtCode_Cliente_LostFocus();
    void LookupCustomer(const QString& code);
    void Lookup(const QString& code);

    // frmVenditeArticles.cpp: lines, totals, prizes and bonuses
    void OnSaleFieldUpdated(const QString& field);
    void txtCode_Articolo_Change();
    void SetBarcodeField(QLineEdit* target);
    OID CurrentLine(QTableView* grid) const;
    // The article to add: chosen by its description when the code is empty, else found by its
    // code (or made with it); positioned on its row, or null when the clerk gave up.
    std::shared_ptr<DbmsDataSource> ChooseArticle(const QString& code);
    void BindArticles(OID line);
    void BindAssigned(QTableView* grid, const std::shared_ptr<DbmsDataSource>& rows);
    void AddAssigned(const QString& definitions, const QString& collection);
    void RemoveAssigned(QTableView* grid, const std::shared_ptr<DbmsDataSource>& rows,
                        const QString& collection);

    // frmVenditeKeys.cpp: keys seen before the controls
    bool HandleKey(QObject* watched, QKeyEvent* event);
    void ChangeQuantity(int delta);

    clsArchiveSession& m_session;
    clsSettings& m_settings;
    BarcodeTarget m_setBarcodeControl;
    std::shared_ptr<DbmsDataSource> m_sale;
    std::shared_ptr<DbmsDataSource> m_articles;
    std::shared_ptr<DbmsDataSource> m_prizes;
    std::shared_ptr<DbmsDataSource> m_bonuses;
    OID m_customer = 0;
    bool m_blnActivated = false;
    bool m_blnCapture = false;
    bool m_blnUnloaded = false;
    bool m_blnBindingNote = false;
    bool m_blnLookup = false; // a customer lookup is asking the user
    // The customer's stored points as the display last read them; the balance changes only
    // when a sale is confirmed, and the display reads them again for every customer.
    qint64 m_customerPoints = 0;
};
