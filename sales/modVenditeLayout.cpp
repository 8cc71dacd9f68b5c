// The sale window's controls and their places: built once, laid out once.
#include "modVenditeLayout.h"

#include "DbmsFormService.h"
#include "DbmsGridModel.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "frmVendite.h"

#include <QCheckBox>
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

// The controls that stay usable while no sale is open: the customer choice and cancel.
const QStringList CustomerControls = {"lblCliente", "txtCode_Cliente", "txtCliente",
                                      "cmdSet_Cliente", "cmdCancel"};

DbmsGridModel* ModelOf(QTableView* grid) {
    return qobject_cast<DbmsGridModel*>(grid->model());
}

void HideColumn(QTableView* grid, const QString& field) {
    auto* model = ModelOf(grid);
    const int column = model ? model->ColumnOf(field) : -1;
    if (column >= 0) grid->setColumnHidden(column, true);
}

// Whether `grid` shows other rows than `rows`: every change of the sale reads its rows afresh.
bool Stale(QTableView* grid, const std::shared_ptr<DbmsDataSource>& rows) {
    auto* model = ModelOf(grid);
    return rows && (!model || model->DataSource() != rows);
}

} // namespace

void BuildVenditeLayout(frmVendite& w) {
    frmVendite* self = &w;
    w.lblCliente = Named(new QLabel("&Cliente:", self), "lblCliente");
    w.txtCode_Cliente = Named(new QLineEdit(self), "txtCode_Cliente");
    w.txtCode_Cliente->setToolTip("Codice cliente (usa il lettore oppure Digita il codice)");
    w.lblCliente->setBuddy(w.txtCode_Cliente);
    w.txtCliente = Named(new QLineEdit(self), "txtCliente");
    w.txtCliente->setReadOnly(true);
    w.txtCliente->setToolTip("Premi F2 o Doppio Click per modifca dati cliente");
    w.cmdSet_Cliente = Button(self, "cmdSet_Cliente", "...", "Imposta il cliente");
    w.lblPunti = Figure(self, "lblPunti");
    w.txtDataOra = Named(new QLineEdit(self), "txtDataOra");
    w.txtDataOra->setReadOnly(true);
    w.cmdSet_DataOra = Button(self, "cmdSet_DataOra", "...", "Imposta la Data / Ora");
    w.txtRiferimento = Named(new QLineEdit(self), "txtRiferimento");
    w.txtNote = Named(new QPlainTextEdit(self), "txtNote");
    w.txtNote->setToolTip("Ctrl+Invio per nuova linea");
    w.txtNote->setTabChangesFocus(true);
    w.txtNote->setFixedHeight(w.txtNote->fontMetrics().height() * 3 + 12);

    w.txtCode_Articolo = Named(new QLineEdit(self), "txtCode_Articolo");
    w.txtCode_Articolo->setToolTip(
        "Codice articolo (usa il lettore oppure premi Ctrl e Digita il codice)");
    w.cmdAutoAdd = Button(self, "cmdAutoAdd", "&Aggiungi");
    w.cmdAddItem = Button(self, "cmdAddItem", "Definisci", "Definisci l'articolo manualmente");
    w.cmdEdit = Button(self, "cmdEdit", "Modifica", "Modifica l'articolo selezionato");
    w.cmdDeleteItem = Button(self, "cmdDeleteItem", "&Elimina", "Elimina l'articolo selezionato");
    w.dgArticoli = Grid(self, "dgArticoli", 5);
    w.lblTotale = Figure(self, "lblTotale", true);
    w.lblTotale->setToolTip("Totale calcolato");
    w.lblTotaleConv = Figure(self, "lblTotaleConv", true);
    w.lblAltraValuta = Named(new QLabel(self), "lblAltraValuta");

    w.dgBonus = Grid(self, "dgBonus", 6);
    w.cmdIdentify_Bonus =
        Button(self, "cmdIdentify_Bonus", "Calcola", "Ricalcola i bonus in base allla vendita");
    w.cmdAdd_Bonus = Button(self, "cmdAdd_Bonus", "+", "Permette di aggiungere un bonus");
    w.cmdDel_Bonus = Button(self, "cmdDel_Bonus", "-", "Elimina il bonus selezionato");
    w.chkAutoIdentify_Bonus = Named(new QCheckBox("Automatico", self), "chkAutoIdentify_Bonus");
    w.chkAutoIdentify_Bonus->setToolTip("Attiva il calcolo automatico dei bonus");
    w.dgPremi = Grid(self, "dgPremi", 6);
    w.cmdIdentify_Premi =
        Button(self, "cmdIdentify_Premi", "Calcola", "Ricalcola i premi in base al punteggio");
    w.cmdAdd_Premi = Button(self, "cmdAdd_Premi", "+", "Permette di aggiungere un premio");
    w.cmdDel_Premi = Button(self, "cmdDel_Premi", "-", "Elimina il premio selezionato");
    w.chkAutoIdentify_Premi = Named(new QCheckBox("Automatico", self), "chkAutoIdentify_Premi");
    w.chkAutoIdentify_Premi->setToolTip("Attiva il calcolo automatico dei premi");
    w.lblTot_PuntiBonus = Figure(self, "lblTot_PuntiBonus");
    w.lblTot_PuntiNecessari = Figure(self, "lblTot_PuntiNecessari");
    w.lblTot_Punti = Figure(self, "lblTot_Punti");
    w.lblTot_Punti->setToolTip("Totale calcolato");

    w.cmdConfirm = Named(
        new QPushButton(w.style()->standardIcon(QStyle::SP_DialogApplyButton), "&Conferma", self),
        "cmdConfirm");
    w.cmdConfirm->setToolTip("Conferma la vendita");
    w.cmdConfirm->setDefault(true);
    w.cmdCancel = Button(self, "cmdCancel", "&Annulla", "Annulla la vendita in corso");

    // The code fields: the one that receives the reader's codes is highlighted.
    w.txtCode_Cliente->setStyleSheet("QLineEdit { background: #FFF5C0; }");
    w.txtCode_Articolo->setStyleSheet("QLineEdit { background: #FFFFFF; }");

    auto label = [self](const QString& text, QWidget* buddy = nullptr) {
        auto* l = new QLabel(text, self);
        if (buddy) l->setBuddy(buddy);
        return l;
    };
    auto* top = new QGridLayout;
    top->addWidget(w.lblCliente, 0, 0);
    top->addWidget(w.txtCode_Cliente, 0, 1);
    top->addWidget(w.txtCliente, 0, 2, 1, 3);
    top->addWidget(w.cmdSet_Cliente, 0, 5);
    top->addWidget(label("Punteggio iniziale:"), 0, 6);
    top->addWidget(w.lblPunti, 0, 7);
    top->addWidget(label("Data / Ora:"), 1, 0);
    top->addWidget(w.txtDataOra, 1, 1);
    top->addWidget(w.cmdSet_DataOra, 1, 2);
    top->addWidget(label("&Rifer./ Voucher:", w.txtRiferimento), 1, 3);
    top->addWidget(w.txtRiferimento, 1, 4, 1, 4);
    top->addWidget(label("&Note:", w.txtNote), 2, 0, Qt::AlignTop);
    top->addWidget(w.txtNote, 2, 1, 1, 7);
    top->setColumnStretch(4, 1);

    auto* articles = new QHBoxLayout;
    articles->addWidget(label("&Articolo:", w.txtCode_Articolo));
    articles->addWidget(w.txtCode_Articolo, 1);
    for (QPushButton* b : {w.cmdAutoAdd, w.cmdAddItem, w.cmdEdit, w.cmdDeleteItem})
        articles->addWidget(b);
    auto* totals = new QHBoxLayout;
    totals->addStretch(1);
    totals->addWidget(label("Totale:"));
    totals->addWidget(w.lblTotale);
    totals->addSpacing(20);
    totals->addWidget(w.lblAltraValuta);
    totals->addWidget(w.lblTotaleConv);

    auto assigned = [self, &label](const QString& title, QTableView* grid, QPushButton* identify,
                                   QPushButton* add, QPushButton* del, QCheckBox* automatic,
                                   const QString& totalCaption, QLabel* total) {
        auto* box = new QGroupBox(title, self);
        for (QPushButton* sign : {add, del})
            sign->setFixedWidth(sign->fontMetrics().horizontalAdvance("+") * 2 + 28);
        auto* buttons = new QHBoxLayout;
        for (QWidget* control : std::initializer_list<QWidget*>{identify, add, del, automatic})
            buttons->addWidget(control);
        buttons->addStretch(1);
        buttons->addWidget(label(totalCaption));
        buttons->addWidget(total);
        auto* layout = new QVBoxLayout(box);
        layout->addWidget(grid);
        layout->addLayout(buttons);
        return box;
    };
    auto* loyalty = new QHBoxLayout;
    loyalty->addWidget(assigned("Bonus", w.dgBonus, w.cmdIdentify_Bonus, w.cmdAdd_Bonus,
                                w.cmdDel_Bonus, w.chkAutoIdentify_Bonus,
                                "Punti bonus:", w.lblTot_PuntiBonus));
    loyalty->addWidget(assigned("Premi", w.dgPremi, w.cmdIdentify_Premi, w.cmdAdd_Premi,
                                w.cmdDel_Premi, w.chkAutoIdentify_Premi,
                                "Punti spesi:", w.lblTot_PuntiNecessari));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(label("Punteggio finale:"));
    bottom->addWidget(w.lblTot_Punti);
    bottom->addStretch(1);
    bottom->addWidget(w.cmdConfirm);
    bottom->addWidget(w.cmdCancel);

    auto* layout = new QVBoxLayout(self);
    layout->addLayout(top);
    layout->addLayout(articles);
    layout->addWidget(w.dgArticoli, 1);
    layout->addLayout(totals);
    layout->addLayout(loyalty, 1);
    layout->addLayout(bottom);
    // Laid out once: nothing the window shows later changes its size.
    const QSize least = layout->totalMinimumSize();
    w.resize(std::max(least.width(), 1000), std::max(least.height(), 720));
}

void ShowLines(QTableView* grid, const std::shared_ptr<DbmsDataSource>& lines, OID line) {
    if (!Stale(grid, lines)) return;
    auto* model = FormService().BindGrid(grid, lines);
    HideColumn(grid, "Data");
    int row = -1;
    if (line != 0 && lines->Locate(line))
        row = model->RowOf(line);
    else if (model->rowCount() > 0)
        row = model->rowCount() - 1;
    if (row >= 0) grid->setCurrentIndex(model->index(row, 0));
}

void ShowAssigned(QTableView* grid, const std::shared_ptr<DbmsDataSource>& rows) {
    if (!Stale(grid, rows)) return;
    auto* model = FormService().BindGrid(grid, rows);
    HideColumn(grid, "Data");
    HideColumn(grid, "Scadenza");
    const int description = model ? model->ColumnOf("Descrizione") : -1;
    if (description >= 0) grid->setColumnWidth(description, grid->width() * 3 / 5);
}

OID CurrentRow(QTableView* grid) {
    auto* model = ModelOf(grid);
    const QModelIndex index = grid->currentIndex();
    return model && index.isValid() ? model->OIDAt(index.row()) : 0;
}

void EnableSaleControls(frmVendite& w, bool enabled) {
    for (QWidget* control : w.findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || CustomerControls.contains(name)) continue;
        control->setEnabled(enabled);
    }
}

void ClearVenditeControls(frmVendite& w, clsArchiveSession& session, const clsSettings& settings) {
    for (QLineEdit* edit :
         {w.txtCliente, w.txtDataOra, w.txtRiferimento, w.txtCode_Articolo, w.txtCode_Cliente})
        edit->clear();
    w.txtNote->clear();
    for (QLabel* label : {w.lblTotale, w.lblTotaleConv, w.lblTot_Punti, w.lblPunti,
                          w.lblTot_PuntiNecessari, w.lblTot_PuntiBonus})
        label->clear();
    w.chkAutoIdentify_Premi->setChecked(settings.AutoIdentify_Premi);
    w.chkAutoIdentify_Bonus->setChecked(settings.AutoIdentify_Bonus);
    const auto other = session.Database() ? session.Database()->ConversionCurrency() : nullptr;
    const QString name = other ? other->Name() : QString();
    w.lblAltraValuta->setText(name + ":");
    w.lblTotaleConv->setToolTip("Totale calcolato in Euro " + name);
}
