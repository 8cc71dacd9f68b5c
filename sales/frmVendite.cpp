#include "frmVendite.h"

#include "DbmsFormService.h"
#include "ReportError.h"
#include "itfPrompter.h"
#include "modGlobal.h"
#include "modTag.h"
#include "modWaitCursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <limits>

namespace {

// The controls that stay usable while no sale is open: the customer choice and cancel.
const QStringList CustomerControls = {"lblCliente", "txtCode_Cliente", "txtCliente",
                                      "cmdSet_Cliente", "cmdCancel"};

template <typename T> T* Named(T* control, const char* name) {
    control->setObjectName(name);
    return control;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption,
                    const QString& tip = {}) {
    auto* button = Named(new QPushButton(caption, parent), name);
    button->setToolTip(tip);
    button->setAutoDefault(false);
    return button;
}

QTableView* Grid(QWidget* parent, const char* name) {
    auto* grid = Named(new QTableView(parent), name);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    return grid;
}

} // namespace

frmVendite::frmVendite(QWidget* owner, BarcodeTarget setBarcodeControl)
    : QDialog(owner), m_setBarcodeControl(std::move(setBarcodeControl)) {
    setObjectName("frmVendite");
    setWindowTitle("Vendita / Premiazione");
    BuildControls();
    // Keys reach the window before its controls (the reader that types like a keyboard), and
    // the code fields' focus and double clicks are seen here too.
    qApp->installEventFilter(this);
    InitControls();
}

frmVendite::~frmVendite() {
    qApp->removeEventFilter(this);
    Unload();
}

void frmVendite::ShowModal(QWidget* owner, BarcodeTarget setBarcodeControl) {
    frmVendite window(owner, std::move(setBarcodeControl));
    Prompter().Exec(window);
}

void frmVendite::BuildControls() {
    lblCliente = Named(new QLabel("&Cliente:", this), "lblCliente");
    txtCode_Cliente = Named(new QLineEdit(this), "txtCode_Cliente");
    txtCode_Cliente->setToolTip("Codice cliente (usa il lettore oppure Digita il codice)");
    txtCode_Cliente->setMaxLength(32);
    lblCliente->setBuddy(txtCode_Cliente);
    txtCliente = Named(new QLineEdit(this), "txtCliente");
    txtCliente->setReadOnly(true);
    txtCliente->setToolTip("Premi F2 o Doppio Click per modifca dati cliente");
    cmdSet_Cliente = Button(this, "cmdSet_Cliente", "...", "Imposta il cliente");
    lblPunti = Named(new QLabel(this), "lblPunti");
    txtDataOra = Named(new QLineEdit(this), "txtDataOra");
    txtDataOra->setReadOnly(true);
    cmdSet_DataOra = Button(this, "cmdSet_DataOra", "...", "Imposta la Data / Ora");
    txtRiferimento = Named(new QLineEdit(this), "txtRiferimento");
    txtNote = Named(new QPlainTextEdit(this), "txtNote");
    txtNote->setToolTip("Ctrl+Invio per nuova linea");
    txtNote->setTabChangesFocus(true);
    txtNote->setFixedHeight(txtNote->fontMetrics().height() * 3 + 12);

    txtCode_Articolo = Named(new QLineEdit(this), "txtCode_Articolo");
    txtCode_Articolo->setToolTip(
        "Codice articolo (usa il lettore oppure premi Ctrl e Digita il codice)");
    cmdAutoAdd = Button(this, "cmdAutoAdd", "&Aggiungi");
    cmdAddItem = Button(this, "cmdAddItem", "Definisci", "Definisci l'articolo manualmente");
    cmdEdit = Button(this, "cmdEdit", "Modifica", "Modifica l'articolo selezionato");
    cmdDeleteItem = Button(this, "cmdDeleteItem", "&Elimina", "Elimina l'articolo selezionato");
    dgArticoli = Grid(this, "dgArticoli");
    lblTotale = Named(new QLabel(this), "lblTotale");
    lblTotale->setToolTip("Totale calcolato");
    lblTotaleConv = Named(new QLabel(this), "lblTotaleConv");
    lblAltraValuta = Named(new QLabel(this), "lblAltraValuta");

    dgBonus = Grid(this, "dgBonus");
    cmdIdentify_Bonus =
        Button(this, "cmdIdentify_Bonus", "Calcola", "Ricalcola i bonus in base allla vendita");
    cmdAdd_Bonus = Button(this, "cmdAdd_Bonus", "+", "Permette di aggiungere un bonus");
    cmdDel_Bonus = Button(this, "cmdDel_Bonus", "-", "Elimina il bonus selezionato");
    chkAutoIdentify_Bonus = Named(new QCheckBox("Automatico", this), "chkAutoIdentify_Bonus");
    chkAutoIdentify_Bonus->setToolTip("Attiva il calcolo automatico dei bonus");
    dgPremi = Grid(this, "dgPremi");
    cmdIdentify_Premi =
        Button(this, "cmdIdentify_Premi", "Calcola", "Ricalcola i premi in base al punteggio");
    cmdAdd_Premi = Button(this, "cmdAdd_Premi", "+", "Permette di aggiungere un premio");
    cmdDel_Premi = Button(this, "cmdDel_Premi", "-", "Elimina il premio selezionato");
    chkAutoIdentify_Premi = Named(new QCheckBox("Automatico", this), "chkAutoIdentify_Premi");
    chkAutoIdentify_Premi->setToolTip("Attiva il calcolo automatico dei premi");
    lblTot_PuntiBonus = Named(new QLabel(this), "lblTot_PuntiBonus");
    lblTot_PuntiNecessari = Named(new QLabel(this), "lblTot_PuntiNecessari");
    lblTot_Punti = Named(new QLabel(this), "lblTot_Punti");
    lblTot_Punti->setToolTip("Totale calcolato");

    cmdConfirm = Named(
        new QPushButton(style()->standardIcon(QStyle::SP_DialogApplyButton), "&Conferma", this),
        "cmdConfirm");
    cmdConfirm->setToolTip("Conferma la vendita");
    cmdConfirm->setDefault(true);
    cmdCancel = Button(this, "cmdCancel", "&Annulla", "Annulla la vendita in corso");

    // The code fields: the one that receives the reader's codes is highlighted.
    txtCode_Cliente->setStyleSheet("QLineEdit { background: #FFF5C0; }");
    txtCode_Articolo->setStyleSheet("QLineEdit { background: #FFFFFF; }");

    auto label = [this](const QString& text, QWidget* buddy = nullptr) {
        auto* l = new QLabel(text, this);
        if (buddy) l->setBuddy(buddy);
        return l;
    };
    auto* top = new QGridLayout;
    top->addWidget(lblCliente, 0, 0);
    top->addWidget(txtCode_Cliente, 0, 1);
    top->addWidget(txtCliente, 0, 2, 1, 3);
    top->addWidget(cmdSet_Cliente, 0, 5);
    top->addWidget(label("Punteggio iniziale:"), 0, 6);
    top->addWidget(lblPunti, 0, 7);
    top->addWidget(label("Data / Ora:"), 1, 0);
    top->addWidget(txtDataOra, 1, 1);
    top->addWidget(cmdSet_DataOra, 1, 2);
    top->addWidget(label("&Rifer./ Voucher:", txtRiferimento), 1, 3);
    top->addWidget(txtRiferimento, 1, 4, 1, 4);
    top->addWidget(label("&Note:", txtNote), 2, 0, Qt::AlignTop);
    top->addWidget(txtNote, 2, 1, 1, 7);
    top->setColumnStretch(4, 1);

    auto* articles = new QHBoxLayout;
    articles->addWidget(label("&Articolo:", txtCode_Articolo));
    articles->addWidget(txtCode_Articolo, 1);
    for (QPushButton* b : {cmdAutoAdd, cmdAddItem, cmdEdit, cmdDeleteItem})
        articles->addWidget(b);
    auto* totals = new QHBoxLayout;
    totals->addStretch(1);
    totals->addWidget(label("Totale:"));
    totals->addWidget(lblTotale);
    totals->addSpacing(20);
    totals->addWidget(lblAltraValuta);
    totals->addWidget(lblTotaleConv);

    auto assigned = [this, &label](const QString& title, QTableView* grid, QPushButton* identify,
                                   QPushButton* add, QPushButton* del, QCheckBox* automatic,
                                   const QString& totalCaption, QLabel* total) {
        auto* box = new QGroupBox(title, this);
        auto* buttons = new QHBoxLayout;
        for (QWidget* w : std::initializer_list<QWidget*>{identify, add, del, automatic})
            buttons->addWidget(w);
        buttons->addStretch(1);
        buttons->addWidget(label(totalCaption));
        buttons->addWidget(total);
        auto* layout = new QVBoxLayout(box);
        layout->addWidget(grid);
        layout->addLayout(buttons);
        return box;
    };
    auto* loyalty = new QHBoxLayout;
    loyalty->addWidget(assigned("Bonus", dgBonus, cmdIdentify_Bonus, cmdAdd_Bonus, cmdDel_Bonus,
                                chkAutoIdentify_Bonus, "Punti bonus:", lblTot_PuntiBonus));
    loyalty->addWidget(assigned("Premi", dgPremi, cmdIdentify_Premi, cmdAdd_Premi, cmdDel_Premi,
                                chkAutoIdentify_Premi, "Punti spesi:", lblTot_PuntiNecessari));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(label("Punteggio finale:"));
    bottom->addWidget(lblTot_Punti);
    bottom->addStretch(1);
    bottom->addWidget(cmdConfirm);
    bottom->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(articles);
    layout->addWidget(dgArticoli, 2);
    layout->addLayout(totals);
    layout->addLayout(loyalty, 1);
    layout->addLayout(bottom);
    resize(900, 680);

    connect(txtCode_Cliente, &QLineEdit::textChanged, this, &frmVendite::txtCode_Cliente_Change);
    connect(txtCode_Articolo, &QLineEdit::textChanged, this, &frmVendite::txtCode_Articolo_Change);
    connect(cmdSet_Cliente, &QPushButton::clicked, this, &frmVendite::cmdSet_Cliente_Click);
    connect(cmdSet_DataOra, &QPushButton::clicked, this, &frmVendite::cmdSet_DataOra_Click);
    connect(cmdAutoAdd, &QPushButton::clicked, this, &frmVendite::cmdAutoAdd_Click);
    connect(cmdAddItem, &QPushButton::clicked, this, &frmVendite::cmdAddItem_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &frmVendite::cmdEdit_Click);
    connect(cmdDeleteItem, &QPushButton::clicked, this, &frmVendite::cmdDeleteItem_Click);
    connect(cmdAdd_Bonus, &QPushButton::clicked, this, &frmVendite::cmdAdd_Bonus_Click);
    connect(cmdDel_Bonus, &QPushButton::clicked, this, &frmVendite::cmdDel_Bonus_Click);
    connect(cmdAdd_Premi, &QPushButton::clicked, this, &frmVendite::cmdAdd_Premi_Click);
    connect(cmdDel_Premi, &QPushButton::clicked, this, &frmVendite::cmdDel_Premi_Click);
    const auto identify = [this](bool bonus) {
        Guarded([this, bonus] {
            const Transaction tr;
            if (bonus)
                Identify_Bonus(true);
            else
                Identify_Premi(true);
        });
    };
    connect(cmdIdentify_Bonus, &QPushButton::clicked, this, [identify] { identify(true); });
    connect(cmdIdentify_Premi, &QPushButton::clicked, this, [identify] { identify(false); });
    connect(chkAutoIdentify_Bonus, &QCheckBox::clicked, this, [this, identify](bool on) {
        modGlobal::AutoIdentify_Bonus = on;
        if (m_sale && on) identify(true);
    });
    connect(chkAutoIdentify_Premi, &QCheckBox::clicked, this, [this, identify](bool on) {
        modGlobal::AutoIdentify_Premi = on;
        if (m_sale && on) identify(false);
    });
    connect(cmdConfirm, &QPushButton::clicked, this, &frmVendite::cmdConfirm_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmVendite::cmdCancel_Click);
    connect(txtNote, &QPlainTextEdit::textChanged, this, [this] {
        if (m_sale && !m_blnBindingNote) m_sale->SetValue("Note", txtNote->toPlainText());
    });
}

void frmVendite::InitControls() {
    for (QLineEdit* edit :
         {txtCliente, txtDataOra, txtRiferimento, txtCode_Articolo, txtCode_Cliente})
        edit->clear();
    m_blnBindingNote = true;
    txtNote->clear();
    m_blnBindingNote = false;
    for (QLabel* label : {lblTotale, lblTotaleConv, lblTot_Punti, lblPunti, lblTot_PuntiNecessari,
                          lblTot_PuntiBonus})
        label->clear();
    chkAutoIdentify_Premi->setChecked(modGlobal::AutoIdentify_Premi);
    chkAutoIdentify_Bonus->setChecked(modGlobal::AutoIdentify_Bonus);
    const auto other = modGlobal::Database ? modGlobal::Database->ConversionCurrency() : nullptr;
    const QString name = other ? other->Name() : QString();
    lblAltraValuta->setText(name + ":");
    lblTotaleConv->setToolTip("Totale calcolato in Euro " + name);
}

void frmVendite::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_blnActivated) return;
    m_blnActivated = true;
    // The first card read goes to the customer field: the clerk starts with the card.
    SetBarcodeField(txtCode_Cliente);
    RefreshDisplay();
}

void frmVendite::SetControlsEnabled(bool enabled) {
    for (QWidget* control : findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || CustomerControls.contains(name)) continue;
        control->setEnabled(enabled);
    }
}

void frmVendite::RefreshDisplay() {
    WaitCursor wait;
    if (!m_sale) {
        txtCliente->clear();
        txtCode_Cliente->clear();
        SetTag(txtCode_Cliente, QString());
        txtCode_Cliente->setFocus();
        SetControlsEnabled(false);
        FormService().BindTextBox(txtRiferimento, nullptr, {});
        InitControls();
        return;
    }
    SetControlsEnabled(true);
    auto customer = modGlobal::Database->Item("Clienti")->OpenDataSource(
        "OID=" + DbmsDatabase::NumberLiteral(qint64(m_customer)));
    if (!customer->IsEmpty()) {
        customer->MoveFirst();
        const QString code = customer->GetValue("Codice").toString();
        SetTag(txtCode_Cliente, code);
        txtCode_Cliente->setText(code);
        txtCliente->setText(customer->GetValue("Descrizione").toString());
        lblPunti->setText(customer->GetText("Punti"));
        m_intCustomerPoints = customer->GetValue("Punti").toInt();
    }
    txtDataOra->setText(m_sale->GetText("Data"));
    BindNote();
    FormService().BindTextBox(txtRiferimento, m_sale, "RiferimentoVoucher");
    Refresh_Articoli();
}

void frmVendite::BindNote() {
    m_blnBindingNote = true;
    txtNote->setPlainText(m_sale->GetValue("Note").toString());
    m_blnBindingNote = false;
}

void frmVendite::Set_Vendita(OID customer) {
    Guarded([&] {
        const Transaction tr;
        if (!m_sale) {
            // The new sale is read back alone: a data source over every sale would list them
            // all first.
            const auto table = modGlobal::Database->Item("OperazioniVendite");
            const OID sale =
                table->OpenDataSource("OID = 0")->AddRow({{"Cliente", customer}, {"Importo", 0}});
            m_sale = table->OpenDataSource("OID = " + DbmsDatabase::NumberLiteral(qint64(sale)));
            m_sale->MoveFirst();
            connect(m_sale.get(), &DbmsDataSource::FieldUpdated, this,
                    &frmVendite::OnSaleFieldUpdated);
        } else {
            m_sale->SetReference("Cliente", customer, false);
        }
        m_customer = customer;
        RefreshDisplay();
    });
}

void frmVendite::cmdSet_DataOra_Click() {
    if (!m_sale) return;
    Guarded([this] {
        if (FormService().ShowFieldEditor(this, *m_sale, "Data")) RefreshDisplay();
    });
}

frmVendite::Transaction::Transaction() : m_exceptions(std::uncaught_exceptions()) {
    modGlobal::Database->BeginTrans();
}

frmVendite::Transaction::~Transaction() {
    try {
        if (std::uncaught_exceptions() > m_exceptions)
            modGlobal::Database->Rollback();
        else
            modGlobal::Database->CommitTrans();
    } catch (...) {
        // A commit that fails leaves the savepoint to the outer level; nothing to add here.
    }
}

void frmVendite::Guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        Resync();
        ReportError("Si e' verificato un errore:\r\r" + ErrorDescription(e), e, this);
    }
}

bool frmVendite::IsEmptySale() const {
    for (const auto* rows : {&m_articles, &m_prizes, &m_bonuses})
        if (*rows && !(*rows)->IsEmpty()) return false;
    return true;
}

// --- confirm ---

void frmVendite::cmdConfirm_Click() {
    if (!m_sale) return;
    try {
        ConfirmSale();
    } catch (const std::exception& e) {
        Resync();
        ReportError("Errore in conferma dati: \r\r" + ErrorDescription(e), e, this);
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

    // The new balance is worked out from the stored points before anything is written: a
    // balance that does not fit the card's 16 bits refuses the sale whole.
    auto customer = modGlobal::Database->Item("Clienti")->OpenDataSource(
        "OID=" + DbmsDatabase::NumberLiteral(qint64(m_customer)));
    if (customer->IsEmpty())
        throw DbmsError(DbmsError::NoCurrentRow, "Il cliente della vendita non è più in archivio");
    customer->MoveFirst();
    const QVariant lines = m_articles ? m_articles->Sum("PuntiAssegnati") : QVariant();
    const qint64 balance = customer->GetValue("Punti").toLongLong() +
                           m_sale->GetValue("PuntiBonus").toLongLong() + lines.toLongLong() -
                           m_sale->GetValue("PuntiSpesi").toLongLong();
    if (balance < std::numeric_limits<qint16>::min() ||
        balance > std::numeric_limits<qint16>::max())
        throw DbmsError(DbmsError::BadValue,
                        QString("Il nuovo punteggio del cliente (%1) è fuori dai limiti ammessi "
                                "(da -32768 a 32767): la vendita non è stata registrata.")
                            .arg(balance));

    // The sale, its payment, the customer's balance and the prize stock: all or nothing.
    auto db = modGlobal::Database;
    OID paymentType = 0;
    db->BeginTrans();
    try {
        m_sale->Update();
        if (hasGoods && !m_articles->IsEmpty() && !PaymentStep(paymentType)) {
            db->Rollback();
            Resync();
            return;
        }
        customer->SetValue("Punti", balance);
        customer->Update();
        if (hasPrizes)
            for (m_prizes->MoveFirst(); !m_prizes->EOF_(); m_prizes->MoveNext()) {
                m_prizes->SetValue("Disponibilita",
                                   m_prizes->GetValue("Disponibilita").toLongLong() - 1);
                m_prizes->Update();
            }
        db->CommitTrans();
    } catch (...) {
        db->Rollback();
        throw;
    }
    if (paymentType != 0)
        modGlobal::WriteSetting("OperazioniVendite", "PagamentoDefault",
                                QString::number(paymentType));

    Prompter().Beep();
    // The sale is kept: the form lets go of it without deleting it.
    disconnect(m_sale.get(), nullptr, this, nullptr);
    m_sale.reset();
    Reset();
    RefreshDisplay();
    if (ShowMessage(this, "Operazione confermata.\r\rVuoi effettuarne una nuova ?",
                    PromptIcon::Question, PromptButtons::YesNo,
                    PromptAnswer::Yes) == PromptAnswer::No)
        close();
}

bool frmVendite::PaymentStep(OID& paymentType) {
    const QString stored = modGlobal::ReadSetting("OperazioniVendite", "PagamentoDefault");
    auto types = modGlobal::Database->Item("TipiPagamento")->OpenDataSource();
    OID type = 0;
    bool numeric = false;
    const OID storedType = stored.trimmed().toLongLong(&numeric);
    if (numeric && types->Locate(storedType)) type = storedType;
    if (type == 0) {
        const QVariant chosen = FormService().ShowSelectionList(this, *types);
        if (!chosen.isValid()) return false;
        type = chosen.toLongLong();
    }

    const auto table = modGlobal::Database->Item("Pagamenti");
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

void frmVendite::Resync() {
    // The archive is back as before the confirm; the window's data sources read it again and
    // the totals, kept only in the sale's buffer, are worked out anew.
    if (!m_sale) return;
    try {
        if (m_sale->IsDirty()) m_sale->CancelUpdate();
        m_sale->Refresh(true);
        m_sale->Locate(m_sale->CurrentOID());
        Refresh_Articoli();
    } catch (const std::exception&) {
        // The confirm's own error is the one the user needs to see.
    }
}

// --- cancel, reset, unload ---

void frmVendite::cmdCancel_Click() {
    try {
        CancelSale();
    } catch (const std::exception& e) {
        ReportError("Errore in annullamento dati: \r\r" + ErrorDescription(e), e, this);
    }
}

void frmVendite::CancelSale() {
    if (IsEmptySale() || !(m_articles && m_articles->RowCount() >= 1)) {
        close();
        return;
    }
    if (ShowMessage(this, "Confermi l'annullamento della vendita ?", PromptIcon::Question,
                    PromptButtons::YesNo, PromptAnswer::Yes) == PromptAnswer::Yes) {
        WaitCursor wait;
        QApplication::processEvents();
        Reset();
        RefreshDisplay();
    }
    txtCode_Articolo->clear();
}

void frmVendite::Reset() {
    if (m_sale) {
        disconnect(m_sale.get(), nullptr, this, nullptr);
        // The unconfirmed sale goes, with the lines, prizes and bonuses it owns.
        if (m_sale->IsDirty()) m_sale->CancelUpdate();
        if (m_sale->HasCurrentRow()) m_sale->Delete();
    }
    m_sale.reset();
    m_articles.reset();
    m_prizes.reset();
    m_bonuses.reset();
    m_customer = 0;
    FormService().BindTextBox(txtRiferimento, nullptr, {});
    for (QTableView* grid : {dgArticoli, dgBonus, dgPremi})
        grid->setModel(nullptr);
}

void frmVendite::Unload() {
    if (m_blnUnloaded) return;
    m_blnUnloaded = true;
    try {
        Reset();
    } catch (const std::exception& e) {
        ReportError("Errore in annullamento dati: \r\r" + ErrorDescription(e), e, this);
    }
    if (m_setBarcodeControl) m_setBarcodeControl(nullptr);
    modGlobal::SaveSettings();
}

void frmVendite::closeEvent(QCloseEvent* event) {
    Unload();
    QDialog::closeEvent(event);
}

void frmVendite::reject() {
    // Esc and the close box leave as "Annulla" would never ask: the open sale goes.
    Unload();
    QDialog::reject();
}
