#include "frmVendite.h"

#include "DbmsFormService.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "itfPrompter.h"
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

#include <algorithm>

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

// A grid that shows at least `rows` rows, whatever it holds; more rows scroll.
QTableView* Grid(QWidget* parent, const char* name, int rows) {
    auto* grid = Named(new QTableView(parent), name);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const int rowHeight = grid->fontMetrics().height() + 6;
    grid->verticalHeader()->setDefaultSectionSize(rowHeight);
    grid->setMinimumHeight((rows + 1) * rowHeight + 2 * grid->frameWidth() +
                           grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);
    return grid;
}

// A label showing a number: wide enough for any balance (or amount), and as wide whatever it
// shows, so that the window keeps its size and its buttons stay where they are.
QLabel* Figure(QWidget* parent, const char* name, bool amount = false) {
    auto* label = Named(new QLabel(parent), name);
    label->setFixedWidth(
        label->fontMetrics().horizontalAdvance(amount ? "-9.999.999.999,00" : "-2147483648") + 8);
    label->setAlignment((amount ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return label;
}

} // namespace

frmVendite::frmVendite(clsArchiveSession& session, clsSettings& settings, QWidget* owner,
                       BarcodeTarget setBarcodeControl)
    : QDialog(owner), m_session(session), m_settings(settings),
      m_setBarcodeControl(std::move(setBarcodeControl)) {
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

void frmVendite::ShowModal(QWidget* owner, clsArchiveSession& session, clsSettings& settings,
                           BarcodeTarget setBarcodeControl) {
    frmVendite window(session, settings, owner, std::move(setBarcodeControl));
    Prompter().Exec(window);
}

void frmVendite::BuildControls() {
    lblCliente = Named(new QLabel("&Cliente:", this), "lblCliente");
    txtCode_Cliente = Named(new QLineEdit(this), "txtCode_Cliente");
    txtCode_Cliente->setToolTip("Codice cliente (usa il lettore oppure Digita il codice)");
    lblCliente->setBuddy(txtCode_Cliente);
    txtCliente = Named(new QLineEdit(this), "txtCliente");
    txtCliente->setReadOnly(true);
    txtCliente->setToolTip("Premi F2 o Doppio Click per modifca dati cliente");
    cmdSet_Cliente = Button(this, "cmdSet_Cliente", "...", "Imposta il cliente");
    lblPunti = Figure(this, "lblPunti");
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
    dgArticoli = Grid(this, "dgArticoli", 5);
    lblTotale = Figure(this, "lblTotale", true);
    lblTotale->setToolTip("Totale calcolato");
    lblTotaleConv = Figure(this, "lblTotaleConv", true);
    lblAltraValuta = Named(new QLabel(this), "lblAltraValuta");

    dgBonus = Grid(this, "dgBonus", 6);
    cmdIdentify_Bonus =
        Button(this, "cmdIdentify_Bonus", "Calcola", "Ricalcola i bonus in base allla vendita");
    cmdAdd_Bonus = Button(this, "cmdAdd_Bonus", "+", "Permette di aggiungere un bonus");
    cmdDel_Bonus = Button(this, "cmdDel_Bonus", "-", "Elimina il bonus selezionato");
    chkAutoIdentify_Bonus = Named(new QCheckBox("Automatico", this), "chkAutoIdentify_Bonus");
    chkAutoIdentify_Bonus->setToolTip("Attiva il calcolo automatico dei bonus");
    dgPremi = Grid(this, "dgPremi", 6);
    cmdIdentify_Premi =
        Button(this, "cmdIdentify_Premi", "Calcola", "Ricalcola i premi in base al punteggio");
    cmdAdd_Premi = Button(this, "cmdAdd_Premi", "+", "Permette di aggiungere un premio");
    cmdDel_Premi = Button(this, "cmdDel_Premi", "-", "Elimina il premio selezionato");
    chkAutoIdentify_Premi = Named(new QCheckBox("Automatico", this), "chkAutoIdentify_Premi");
    chkAutoIdentify_Premi->setToolTip("Attiva il calcolo automatico dei premi");
    lblTot_PuntiBonus = Figure(this, "lblTot_PuntiBonus");
    lblTot_PuntiNecessari = Figure(this, "lblTot_PuntiNecessari");
    lblTot_Punti = Figure(this, "lblTot_Punti");
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
        for (QPushButton* sign : {add, del})
            sign->setFixedWidth(sign->fontMetrics().horizontalAdvance("+") * 2 + 28);
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
    layout->addWidget(dgArticoli, 1);
    layout->addLayout(totals);
    layout->addLayout(loyalty, 1);
    layout->addLayout(bottom);
    // Laid out once: nothing the window shows later changes its size.
    const QSize least = layout->totalMinimumSize();
    resize(std::max(least.width(), 1000), std::max(least.height(), 720));

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
        GuardedTransaction([this, bonus] {
            if (bonus)
                Identify_Bonus(true);
            else
                Identify_Premi(true);
        });
    };
    connect(cmdIdentify_Bonus, &QPushButton::clicked, this, [identify] { identify(true); });
    connect(cmdIdentify_Premi, &QPushButton::clicked, this, [identify] { identify(false); });
    connect(chkAutoIdentify_Bonus, &QCheckBox::clicked, this, [this, identify](bool on) {
        m_settings.AutoIdentify_Bonus = on;
        if (m_sale && on) identify(true);
    });
    connect(chkAutoIdentify_Premi, &QCheckBox::clicked, this, [this, identify](bool on) {
        m_settings.AutoIdentify_Premi = on;
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
    chkAutoIdentify_Premi->setChecked(m_settings.AutoIdentify_Premi);
    chkAutoIdentify_Bonus->setChecked(m_settings.AutoIdentify_Bonus);
    const auto other = m_session.Database() ? m_session.Database()->ConversionCurrency() : nullptr;
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
    ShowCustomer();
    txtDataOra->setText(m_sale->GetText("Data"));
    BindNote();
    FormService().BindTextBox(txtRiferimento, m_sale, "RiferimentoVoucher");
    Refresh_Articoli();
}

void frmVendite::ShowCustomer() {
    auto customer = m_session.Database()->Item("Clienti")->OpenDataSource(
        "OID=" + DbmsDatabase::NumberLiteral(qint64(m_customer)));
    if (customer->IsEmpty()) return;
    customer->MoveFirst();
    const QString code = customer->GetValue("Codice").toString();
    SetTag(txtCode_Cliente, code);
    txtCode_Cliente->setText(code);
    txtCliente->setText(customer->GetValue("Descrizione").toString());
    lblPunti->setText(customer->GetText("Punti"));
    m_customerPoints = customer->GetValue("Punti").toLongLong();
}

void frmVendite::BindNote() {
    m_blnBindingNote = true;
    txtNote->setPlainText(m_sale->GetValue("Note").toString());
    m_blnBindingNote = false;
}

void frmVendite::Set_Vendita(OID customer) {
    // A sale that cannot be opened whole is not opened: the transaction takes the new row
    // back, and the window, finding it gone, shows no sale.
    GuardedTransaction([&] {
        if (!m_sale) {
            // The new sale is read back alone: a data source over every sale would list them
            // all first.
            const auto table = m_session.Database()->Item("OperazioniVendite");
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

void frmVendite::Guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        Resync();
        ReportFailure("Si e' verificato un errore:\r\r", e);
    }
}

void frmVendite::GuardedTransaction(const std::function<void()>& action) {
    Guarded([&] {
        const auto db = m_session.Database();
        db->BeginTrans();
        try {
            action();
        } catch (...) {
            RollbackAfterFailure();
            throw;
        }
        db->CommitTrans(); // a commit that fails is a failure like any other
    });
}

void frmVendite::ReportFailure(const QString& context, const std::exception& error) {
    const auto* engine = dynamic_cast<const DbmsError*>(&error);
    if (engine && engine->Code() == DbmsError::BadValue)
        ShowMessage(this, engine->Description(), PromptIcon::Exclamation);
    else
        ReportError(m_settings, context + ErrorDescription(error), error, this);
}

bool frmVendite::IsEmptySale() const {
    for (const auto* rows : {&m_articles, &m_prizes, &m_bonuses})
        if (*rows && !(*rows)->IsEmpty()) return false;
    return true;
}

// --- cancel, reset, unload ---

void frmVendite::cmdCancel_Click() {
    try {
        CancelSale();
    } catch (const std::exception& e) {
        ReportError(m_settings, "Errore in annullamento dati: \r\r" + ErrorDescription(e), e, this);
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

void frmVendite::Release() {
    if (m_sale) disconnect(m_sale.get(), nullptr, this, nullptr);
    m_sale.reset();
    m_articles.reset();
    m_prizes.reset();
    m_bonuses.reset();
    m_customer = 0;
    FormService().BindTextBox(txtRiferimento, nullptr, {});
    for (QTableView* grid : {dgArticoli, dgBonus, dgPremi})
        grid->setModel(nullptr);
}

void frmVendite::Reset() {
    if (m_sale) {
        disconnect(m_sale.get(), nullptr, this, nullptr);
        // The unconfirmed sale goes, with the lines, prizes and bonuses it owns.
        if (m_sale->IsDirty()) m_sale->CancelUpdate();
        if (m_sale->HasCurrentRow()) m_sale->Delete();
    }
    Release();
}

void frmVendite::Unload() {
    if (m_blnUnloaded) return;
    m_blnUnloaded = true;
    try {
        Reset();
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
    if (!IsEmptySale() &&
        ShowMessage(this, "Confermi l'annullamento della vendita ?", PromptIcon::Question,
                    PromptButtons::YesNo, PromptAnswer::Yes) != PromptAnswer::Yes)
        return;
    Unload();
    QDialog::reject();
}
