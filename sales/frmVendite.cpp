#include "frmVendite.h"

#include "DbmsFormService.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "itfPrompter.h"
#include "modTag.h"
#include "modVenditeLayout.h"
#include "modWaitCursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextCursor>

#include <algorithm>

frmVendite::frmVendite(clsArchiveSession& session, clsSettings& settings, QWidget* owner,
                       BarcodeTarget setBarcodeControl)
    : QDialog(owner), m_session(session), m_settings(settings),
      m_setBarcodeControl(std::move(setBarcodeControl)), m_clerk(this),
      m_vendita(session, settings, m_clerk) {
    setObjectName("frmVendite");
    setWindowTitle("Vendita / Premiazione");
    BuildVenditeLayout(*this);
    Connect();
    // Keys reach the window before its controls (the reader that types like a keyboard), and
    // the code fields' focus and double clicks are seen here too.
    qApp->installEventFilter(this);
    ClearVenditeControls(*this, m_session, m_settings);
}

frmVendite::~frmVendite() {
    qApp->removeEventFilter(this);
    Unload();
}

void frmVendite::ShowModal(QWidget* owner, clsArchiveSession& session, clsSettings& settings,
                           BarcodeTarget setBarcodeControl) {
    frmVendite window(session, settings, owner, std::move(setBarcodeControl));
    Prompter().Exec(window);
}

void frmVendite::Connect() {
    // The lines' commands leave the focus on the article code, ready for the next one.
    const auto onLines = [this](const std::function<OID()>& step) {
        return [this, step] {
            Guarded([&] {
                ShowRows(step());
                txtCode_Articolo->setFocus();
            });
        };
    };
    const auto act = [this](const std::function<void()>& step) {
        return [this, step] {
            Guarded([&] {
                step();
                ShowRows();
            });
        };
    };
    const auto identifyBonus = act([this] { m_vendita.Identify_Bonus(true); });
    const auto identifyPrizes = act([this] { m_vendita.Identify_Premi(true); });
    const std::pair<QPushButton*, std::function<void()>> commands[] = {
        {cmdSet_Cliente, [this] { cmdSet_Cliente_Click(); }},
        {cmdSet_DataOra, [this] { cmdSet_DataOra_Click(); }},
        {cmdAutoAdd, [this] { cmdAutoAdd_Click(); }},
        {cmdAddItem, onLines([this] { return m_vendita.AddLine(); })},
        {cmdEdit, onLines([this] { return m_vendita.EditLine(CurrentRow(dgArticoli)); })},
        {cmdDeleteItem, onLines([this] { return m_vendita.RemoveLine(CurrentRow(dgArticoli)); })},
        {cmdAdd_Bonus, act([this] { m_vendita.AddBonus(); })},
        {cmdAdd_Premi, act([this] { m_vendita.AddPremio(); })},
        {cmdDel_Bonus, act([this] { m_vendita.RemoveBonus(CurrentRow(dgBonus)); })},
        {cmdDel_Premi, act([this] { m_vendita.RemovePremio(CurrentRow(dgPremi)); })},
        {cmdIdentify_Bonus, identifyBonus},
        {cmdIdentify_Premi, identifyPrizes},
        {cmdConfirm, [this] { cmdConfirm_Click(); }},
        {cmdCancel, [this] { cmdCancel_Click(); }},
    };
    for (const auto& [button, command] : commands)
        connect(button, &QPushButton::clicked, this, command);
    connect(txtCode_Cliente, &QLineEdit::textChanged, this, &frmVendite::txtCode_Cliente_Change);
    connect(txtCode_Articolo, &QLineEdit::textChanged, this, &frmVendite::txtCode_Articolo_Change);
    connect(chkAutoIdentify_Bonus, &QCheckBox::clicked, this, [this, identifyBonus](bool on) {
        m_settings.AutoIdentify_Bonus = on;
        if (on) identifyBonus();
    });
    connect(chkAutoIdentify_Premi, &QCheckBox::clicked, this, [this, identifyPrizes](bool on) {
        m_settings.AutoIdentify_Premi = on;
        if (on) identifyPrizes();
    });
    connect(txtNote, &QPlainTextEdit::textChanged, this, [this] {
        if (!IsSaleOpen() || m_blnBindingNote) return;
        const QString text = txtNote->toPlainText();
        if (text.size() > m_vendita.Sale()->FieldInfo("Note")->Size) {
            // As a full line does: what does not fit is refused with a beep, never cut short.
            const auto at = txtNote->textCursor().position() - (text.size() - m_strNote.size());
            ShowNote(m_strNote);
            QTextCursor cursor = txtNote->textCursor();
            cursor.setPosition(int(std::clamp<qsizetype>(at, 0, m_strNote.size())));
            txtNote->setTextCursor(cursor);
            m_clerk.Beep();
            return;
        }
        m_strNote = text;
        m_vendita.Sale()->SetValue("Note", text);
    });
}

void frmVendite::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_blnActivated) return;
    m_blnActivated = true;
    // The first card read goes to the customer field: the clerk starts with the card.
    SetBarcodeField(txtCode_Cliente);
    RefreshDisplay();
}

void frmVendite::RefreshDisplay() {
    WaitCursor wait;
    if (!IsSaleOpen()) {
        txtCliente->clear();
        txtCode_Cliente->clear();
        SetTag(txtCode_Cliente, QString());
        txtCode_Cliente->setFocus();
        EnableSaleControls(*this, false);
        FormService().BindTextBox(txtRiferimento, nullptr, {});
        ClearVenditeControls(*this, m_session, m_settings);
        return;
    }
    EnableSaleControls(*this, true);
    ShowCustomer();
    txtDataOra->setText(m_vendita.Sale()->GetText("Data"));
    ShowNote(m_vendita.Sale()->GetValue("Note").toString());
    FormService().BindTextBox(txtRiferimento, m_vendita.Sale(), "RiferimentoVoucher");
    ShowRows();
}

void frmVendite::ShowNote(const QString& note) {
    m_blnBindingNote = true; // the note shown is not a note typed
    m_strNote = note;
    txtNote->setPlainText(note);
    m_blnBindingNote = false;
}

void frmVendite::ShowCustomer() {
    const auto customer = m_vendita.CustomerRow();
    if (!customer) return;
    const QString code = customer->GetValue("Codice").toString();
    SetTag(txtCode_Cliente, code);
    txtCode_Cliente->setText(code);
    txtCliente->setText(customer->GetValue("Descrizione").toString());
    lblPunti->setText(customer->GetText("Punti"));
}

void frmVendite::ShowRows(OID line) {
    if (!IsSaleOpen()) return;
    WaitCursor wait;
    ShowLines(dgArticoli, m_vendita.SoldArticles(), line);
    ShowAssigned(dgBonus, m_vendita.AssignedBonuses());
    ShowAssigned(dgPremi, m_vendita.AssignedPrizes());
    const auto& sale = m_vendita.Sale();
    lblTotale->setText(sale->GetText("Importo"));
    lblTotaleConv->setText(sale->GetText("Importo", true));
    lblTot_PuntiNecessari->setText(sale->GetText("PuntiSpesi"));
    lblTot_PuntiBonus->setText(sale->GetText("PuntiBonus"));
    lblTot_Punti->setText(QString::number(m_vendita.BalanceAfterSale()));
}

void frmVendite::Set_Vendita(OID customer) {
    // A sale that cannot be opened whole is not opened: the window, finding none, shows none.
    Guarded([&] {
        m_vendita.Open(customer);
        RefreshDisplay();
    });
}

void frmVendite::cmdSet_DataOra_Click() {
    if (!IsSaleOpen()) return;
    Guarded([this] {
        if (FormService().ShowFieldEditor(this, *m_vendita.Sale(), "Data")) {
            m_vendita.Refresh();
            RefreshDisplay();
        }
    });
}

void frmVendite::Guarded(const std::function<void()>& action, const QString& context) {
    try {
        action();
    } catch (const std::exception& e) {
        Resync();
        const auto* engine = dynamic_cast<const DbmsError*>(&e);
        if (engine && engine->Code() == DbmsError::BadValue)
            m_clerk.Say(engine->Description());
        else
            ReportError(m_settings, context + ErrorDescription(e), e, this);
    }
}

void frmVendite::Resync() {
    if (!m_vendita.Resync(txtNote->toPlainText(), txtRiferimento->text())) Release(false);
    try {
        RefreshDisplay();
    } catch (const std::exception&) {
        // Reading back is the best effort after a failure; the failure itself is reported.
    }
}

void frmVendite::cmdConfirm_Click() {
    if (!IsSaleOpen()) return;
    Guarded(
        [this] {
            const auto result = m_vendita.Confirm(txtNote->toPlainText(), txtRiferimento->text());
            if (result == clsVendita::Esito::NonPagata) Resync();
            if (result != clsVendita::Esito::Confermata) return;
            m_clerk.Beep();
            Release(false);
            RefreshDisplay();
            if (!m_clerk.Ask("Operazione confermata.\r\rVuoi effettuarne una nuova ?")) close();
        },
        "Errore in conferma dati: \r\r");
}

void frmVendite::cmdCancel_Click() {
    try {
        if (!m_vendita.HasLines()) {
            close();
            return;
        }
        if (m_clerk.Ask("Confermi l'annullamento della vendita ?")) {
            WaitCursor wait;
            QApplication::processEvents();
            Release(true);
            RefreshDisplay();
        }
        txtCode_Articolo->clear();
    } catch (const std::exception& e) {
        ReportError(m_settings, "Errore in annullamento dati: \r\r" + ErrorDescription(e), e, this);
    }
}

void frmVendite::Release(bool cancel) {
    FormService().BindTextBox(txtRiferimento, nullptr, {});
    for (QTableView* grid : {dgArticoli, dgBonus, dgPremi})
        grid->setModel(nullptr);
    cancel ? m_vendita.Cancel() : m_vendita.Release();
}

void frmVendite::Unload() {
    if (m_blnUnloaded) return;
    m_blnUnloaded = true;
    try {
        Release(true);
    } catch (const std::exception& e) {
        ReportError(m_settings, "Errore in annullamento dati: \r\r" + ErrorDescription(e), e, this);
    }
    if (m_setBarcodeControl) m_setBarcodeControl(nullptr);
    m_settings.Save();
}

void frmVendite::closeEvent(QCloseEvent* event) {
    Unload();
    QDialog::closeEvent(event);
}

void frmVendite::reject() {
    // Esc leaves the window, but never throws away lines, prizes or bonuses unasked; the
    // close box (closeEvent) has already let the sale go by the time it gets here.
    if (!m_vendita.IsEmpty() && !m_clerk.Ask("Confermi l'annullamento della vendita ?")) return;
    Unload();
    QDialog::reject();
}
