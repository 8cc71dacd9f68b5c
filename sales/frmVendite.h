#pragma once
// "Vendita / Premiazione": the counter window recording one card holder's sale (articles, prizes,
// bonuses, payment) from the keyboard and the card reader alone; the rules are clsVendita's.

#include "clsVendita.h"
#include "clsVenditaClerk.h"

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

    bool IsSaleOpen() const { return m_vendita.IsOpen(); }
    const clsVendita& Vendita() const { return m_vendita; }
    bool CaptureMode() const { return m_blnCapture; }
    void Set_Vendita(OID customer);

    void cmdConfirm_Click();
    void cmdCancel_Click();
    void cmdSet_Cliente_Click();
    void cmdSet_DataOra_Click();
    void cmdAutoAdd_Click();
    void txtCliente_DblClick();

    // The controls, also reachable by objectName.
    QLabel *lblCliente, *lblPunti, *lblTotale, *lblTotaleConv, *lblAltraValuta;
    QLabel *lblTot_PuntiNecessari, *lblTot_PuntiBonus, *lblTot_Punti;
    QLineEdit *txtCode_Cliente, *txtCliente, *txtDataOra, *txtRiferimento, *txtCode_Articolo;
    QPlainTextEdit* txtNote;
    QTableView *dgArticoli, *dgPremi, *dgBonus;
    QCheckBox *chkAutoIdentify_Premi, *chkAutoIdentify_Bonus;
    QPushButton *cmdSet_Cliente, *cmdSet_DataOra, *cmdAutoAdd, *cmdAddItem, *cmdEdit;
    QPushButton *cmdDeleteItem, *cmdAdd_Premi, *cmdDel_Premi, *cmdIdentify_Premi;
    QPushButton *cmdAdd_Bonus, *cmdDel_Bonus, *cmdIdentify_Bonus, *cmdConfirm, *cmdCancel;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Connect();
    void RefreshDisplay();
    void ShowCustomer();
    // The sale's note in its box, as the note last accepted.
    void ShowNote(const QString& note);
    // The grids on the sale's rows where they changed (the lines on `line`), and the totals.
    void ShowRows(OID line = 0);
    // Lets go of the sale's bindings; `cancel` deletes the unconfirmed sale first.
    void Release(bool cancel);
    void Unload();
    // After a failed action: the window reads the archive again, keeping the note and the
    // voucher as the clerk typed them.
    void Resync();
    // Runs a clerk's action under the window's error trap: a refused value is said plainly, any
    // other failure goes to the error report, and the window goes on from what the archive holds.
    void Guarded(const std::function<void()>& action,
                 const QString& context = "Si e' verificato un errore:\r\r");

    void txtCode_Cliente_Change();
    void txtCode_Cliente_LostFocus();
    void LookupCustomer(const QString& code);
    void txtCode_Articolo_Change();
    void SetBarcodeField(QLineEdit* target);
    // Keys seen before the controls (frmVenditeKeys.cpp).
    bool HandleKey(QObject* watched, QKeyEvent* event);

    clsArchiveSession& m_session;
    clsSettings& m_settings;
    BarcodeTarget m_setBarcodeControl;
    clsVenditaClerk m_clerk;
    clsVendita m_vendita;
    bool m_blnActivated = false, m_blnCapture = false, m_blnUnloaded = false;
    bool m_blnBindingNote = false;
    QString m_strNote;        // the note as typed within the field's size
    bool m_blnLookup = false; // a customer lookup is asking the user
};
