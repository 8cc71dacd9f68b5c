#include "modMainMenus.h"

#include "DbmsDatabase.h"
#include "DbmsSelectionSet.h"
#include "clsMenuSet.h"
#include "clsRowCommands.h"
#include "frmAbout.h"
#include "frmMain.h"
#include "itfPrompter.h"
#include "modImages.h"
#include "modTag.h"

#include <QAbstractItemView>
#include <QAction>
#include <QKeyEvent>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace {

enum class Kind { Menu, Action, Array, Separator };
enum Flag { Checkable = 1, Checked = 2, Disabled = 4, NeedsView = 8 };
using Handler = void (*)(frmMain&);

struct MenuRow {
    Kind Type;
    const char* Parent; // nullptr: the menu bar
    const char* Name;
    const char* Caption;
    QKeyCombination Key;
    int Flags;
    Handler Click;
};

// A command of the window.
template <void (frmMain::*Command)()> void Run(frmMain& w) {
    (w.*Command)();
}

// The commands that are the menu's alone.
void ShowAgain(frmMain& w) {
    if (w.isHidden()) w.show();
}

void ReaderClick(frmMain& w) {
    // Checkable: the click has already turned the check mark, to the state asked for.
    w.SetBarcodeReader(w.Menu("mnuBarcodeReader")->isChecked());
}

void HelpContents(frmMain& w) {
    // The program ships without a help file.
    ShowMessage(&w,
                "Unable to display Help Contents. There is no Help associated with this project.",
                PromptIcon::Information);
}

void HelpAbout(frmMain& w) {
    frmAbout about(&w);
    Prompter().Exec(about);
}

constexpr QKeyCombination None = Qt::Key_unknown;
constexpr auto M = Kind::Menu;
constexpr auto A = Kind::Action;
constexpr auto R = Kind::Array;
constexpr auto S = Kind::Separator;

// In menu order; a parent comes before its items.
const MenuRow MenuRows[] = {
    {M, nullptr, "mnuFile", "&Dati", None, 0, nullptr},
    {M, "mnuFile", "mnuSearch", "&Cerca", None, NeedsView, nullptr},
    {A, "mnuSearch", "mnuSearchNext", "Cerca &successivo", Qt::Key_F3, 0,
     [](frmMain& w) { w.Filters().SearchNext(); }},
    {R, "mnuSearch", "mnuSearchItems", "Cerca in...", None, 0, nullptr},
    {M, "mnuFile", "mnuFilter", "&Filtra", None, NeedsView, nullptr},
    {A, "mnuFilter", "mnuFilterComplex", "Imposta &filtro complesso...", Qt::CTRL | Qt::Key_F3,
     Checkable, [](frmMain& w) { w.Filters().FilterComplex(); }},
    {A, "mnuFilter", "mnuFilterCancel", "&Annulla filtro", None, 0,
     [](frmMain& w) { w.Filters().FilterCancel(); }},
    {M, "mnuFilter", "mnuFilterShort", "Filtra colonna", None, 0, nullptr},
    {R, "mnuFilterShort", "mnuFilterItems", "Filtra per...", None, 0, nullptr},
    {R, "mnuFilter", "mnuFilterComplexItems", "Filtra con...", None, 0, nullptr},
    {M, "mnuFile", "mnuOrder", "&Ordina", None, NeedsView, nullptr},
    {A, "mnuOrder", "mnuOrderComplex", "&Ordinamento combinato...", None, 0,
     [](frmMain& w) { w.Grid().OrderComplex(); }},
    {A, "mnuOrder", "mnuOrderCancel", "&Annulla ordinamento", None, 0,
     [](frmMain& w) { w.Grid().Order(QString()); }},
    {M, "mnuOrder", "mnuOrderSingle", "Ordina colonna", None, 0, nullptr},
    {R, "mnuOrderSingle", "mnuOrderItems", "Ordina per...", None, 0, nullptr},
    {M, "mnuFile", "mnuFieldFuncs", "Funzioni su campo corrente   (Click destro)", None, NeedsView,
     nullptr},
    {A, "mnuFieldFuncs", "mnuFieldFilter", "&Filtra colonna con stesso valore...", None, 0,
     [](frmMain& w) { w.Filters().FieldFilter(); }},
    {A, "mnuFieldFuncs", "mnuFieldSearchNext", "&Cerca valore successivo", None, 0,
     [](frmMain& w) { w.Filters().FieldSearchNext(); }},
    {A, "mnuFieldFuncs", "mnuFieldFilterCancel", "&Annulla filtro colonna", None, 0,
     [](frmMain& w) { w.Filters().FieldFilterCancel(); }},
    {A, "mnuFieldFuncs", "mnuFieldFilterCancelAll", "Annulla &tutti i filtri", None, 0,
     [](frmMain& w) { w.Filters().FilterCancel(); }},
    {S, "mnuFile", "", "", None, 0, nullptr},
    {M, "mnuFile", "mnuDataSelection", "Selezioni predefinite", None, NeedsView, nullptr},
    {A, "mnuDataSelection", "mnuDataSelBeforeQuery",
     "Richiedi selezioni prima di visualizzare i dati...", None, Checkable,
     Run<&frmMain::mnuDataSelBeforeQuery_Click>},
    {A, "mnuDataSelection", "mnuDataSelCancel", "Elimina selezioni", None, 0,
     Run<&frmMain::mnuDataSelCancel_Click>},
    {M, "mnuFile", "mnuSelection", "Selezioni in data", None, 0, nullptr},
    {A, "mnuSelection", "mnuSelAll", "&Tutti", None, Checkable, Run<&frmMain::mnuSelAll_Click>},
    {A, "mnuSelection", "mnuSelDate", "&Imposta data...", None, Checkable,
     Run<&frmMain::mnuSelDate_Click>},
    {A, "mnuSelection", "mnuSelMonth", "Imposta &Mese...", None, Checkable,
     Run<&frmMain::mnuSelMonth_Click>},
    {A, "mnuSelection", "mnuSelPeriod", "Imposta &Periodo...", None, Disabled, nullptr},
    // The three lists with their fixed headers; elements come from the current data source.
    {M, "mnuFile", "mnuAssociation", "Dati &associati", None, 0, nullptr},
    {R, "mnuAssociation", "mnuRefItem", "< Riferimenti >", None, 0, nullptr},
    {R, "mnuAssociation", "mnuContItem", "< Contenitori >", None, 0, nullptr},
    {R, "mnuAssociation", "mnuReferencedItem", "< Associati >", None, 0, nullptr},
    {S, "mnuFile", "", "", None, 0, nullptr},
    {M, "mnuFile", "mnuBackupRestore", "&Salva / Ripristina", None, 0, nullptr},
    {A, "mnuBackupRestore", "mnuBackup", "Salva dati...", None, 0,
     [](frmMain& w) { w.Maintenance().Backup(); }},
    {A, "mnuBackupRestore", "mnuRestore", "Ripristina dati...", None, 0,
     [](frmMain& w) { w.Maintenance().Restore(); }},
    {M, "mnuFile", "mnuPrintFunc", "&Stampa", None, NeedsView, nullptr},
    {A, "mnuPrintFunc", "mnuPrint", "Stampa &diretta", Qt::Key_F8, 0,
     [](frmMain& w) { w.Reports().Print(0); }},
    {A, "mnuPrintFunc", "cmdPreview", "&Anteprima", None, 0,
     [](frmMain& w) { w.Reports().Print(1); }},
    {A, "mnuPrintFunc", "mnuPrintExport", "&Esporta stampa", None, 0,
     [](frmMain& w) { w.Reports().Print(2); }},
    {A, "mnuFile", "mnuSave", "&Esporta dati...", None, NeedsView,
     [](frmMain& w) { w.Reports().Save(); }},
    {A, "mnuFile", "mnuImport", "Importa dati...", None, 0,
     [](frmMain& w) { w.Maintenance().Import(); }},
    {A, "mnuFile", "mnuViewWebBrowser", "&Web Browser...", None, 0,
     [](frmMain& w) { w.Reports().WebBrowser(); }},
    {S, "mnuFile", "", "", None, 0, nullptr},
    {A, "mnuFile", "mnuFileProperties", "&Modifica...", Qt::Key_F5, NeedsView,
     Run<&frmMain::mnuFileProperties_Click>},
    {A, "mnuFile", "mnuFileNew", "&Nuovo...", Qt::SHIFT | Qt::Key_Insert, NeedsView,
     Run<&frmMain::mnuFileNew_Click>},
    {A, "mnuFile", "mnuFileDelete", "&Elimina", Qt::SHIFT | Qt::Key_Delete, NeedsView,
     Run<&frmMain::mnuFileDelete_Click>},
    {S, "mnuFile", "", "", None, 0, nullptr},
    {A, "mnuFile", "mnuFileClose", "Chiudi", None, 0, [](frmMain& w) { w.close(); }},

    {M, nullptr, "mnuView", "&Visualizza", None, 0, nullptr},
    {A, "mnuView", "mnuViewToolbar", "&Barra degli strumenti", None, Checkable | Checked,
     Run<&frmMain::mnuViewToolbar_Click>},
    {A, "mnuView", "mnuViewStatusBar", "Barra di &Stato", None, Checkable | Checked,
     Run<&frmMain::mnuViewStatusBar_Click>},
    {A, "mnuView", "mnuHideSection", "&Sezione", None, Checkable | Checked,
     Run<&frmMain::mnuHideSection_Click>},
    {A, "mnuView", "mnuViewRefresh", "&Aggiorna", None, 0,
     [](frmMain& w) { w.RefreshDetailView(); }},
    {M, "mnuView", "mnuGridSetting", "&Griglia", None, 0, nullptr},
    {A, "mnuGridSetting", "mnuGridFldAll", "Visualizza &tutti i campi", Qt::CTRL | Qt::Key_T, 0,
     [](frmMain& w) { w.Grid().FieldsAll(); }},
    {A, "mnuGridSetting", "mnuGridFldSequence", "Imposta &sequenza campi...", Qt::CTRL | Qt::Key_G,
     Checkable, [](frmMain& w) { w.Grid().FieldSequence(); }},
    {A, "mnuGridSetting", "mnuGridCancel", "Annulla sequenza campi e dimensioni", None, 0,
     [](frmMain& w) { w.Grid().GridCancel(); }},
    {A, "mnuView", "mnuViewCurrencyConversion", "Importi in Euro", Qt::CTRL | Qt::Key_I, Checkable,
     [](frmMain& w) {
         w.Maintenance().ShowConvertedAmounts(w.Menu("mnuViewCurrencyConversion")->isChecked());
     }},
    {S, "mnuView", "", "", None, 0, nullptr},
    {A, "mnuView", "mnuToolsOptions", "&Impostazioni...", None, 0,
     Run<&frmMain::mnuToolsOptions_Click>},

    {M, nullptr, "mnuTools", "&Strumenti", None, 0, nullptr},
    {A, "mnuTools", "mnuNewVendita", "Nuova &Vendita / Premiazione...", Qt::Key_F9, 0, nullptr},
    {M, "mnuTools", "mnuToolsTotal", "&Calcola Totale", None, 0, nullptr},
    {R, "mnuToolsTotal", "mnuTotalItems", "Totalizza in...", None, 0, nullptr},
    {A, "mnuTools", "mnuNewCliente", "Nuovo &Cliente...", Qt::Key_F4, 0, nullptr},
    {A, "mnuTools", "mnuChangePwd", "Cambio &Password...", None, 0, nullptr},
    {A, "mnuTools", "mnuBarcodeReader", "&Lettore codici a barre seriale", None, Checkable,
     ReaderClick},

    {M, nullptr, "mnuHelp", "&Help", None, 0, nullptr},
    {A, "mnuHelp", "mnuHelpContents", "&Contents", None, 0, HelpContents},
    {A, "mnuHelp", "mnuHelpSearchForHelpOn", "&Search For Help On...", None, 0, HelpContents},
    {A, "mnuHelp", "mnuHelpAbout", "&About ", None, 0, HelpAbout},

    // The tray icon's menu: not in the menu bar.
    {A, "mnuPopUp", "mnuActivate", "&Visualizza", None, 0, ShowAgain},
    {A, "mnuPopUp", "mnuClose", "&Chiudi", None, 0, [](frmMain& w) { w.close(); }},
};

// The commands that open the windows of the layers above, through the window's hooks; the
// view shows what they changed.
struct HookRow {
    const char* Name;
    std::function<void(QWidget*)> frmMain::Hooks::*Hook;
    bool Refresh;
};

const HookRow HookRows[] = {
    {"mnuNewVendita", &frmMain::Hooks::NewVendita, true},
    {"mnuNewCliente", &frmMain::Hooks::NewCliente, true},
    {"mnuChangePwd", &frmMain::Hooks::ChangePassword, false},
};

struct ToolRow {
    const char* Caption;
    const char* Key;
    const char* ToolTip;
    const char* Popup;  // the menu the button drops down
    const char* Action; // or the menu command it runs
    int Flags;
};

const ToolRow ToolRows[] = {
    {"Lettore", "BarcodeReader", "Attiva / Disattiva lettore codici barre seriale", nullptr,
     nullptr, Checkable},
    {"Corr.", "Related", "Dati associati all'elemento selezionto", "mnuAssociation", nullptr, 0},
    {"Salva", "Save", "Salva / Esporta dati", nullptr, "mnuSave", NeedsView},
    {"Nuovo", "New", "Nuovo", nullptr, "mnuFileNew", NeedsView},
    {"Modifica", "Properties", "Modifica", nullptr, "mnuFileProperties", NeedsView},
    {"Elimina", "Delete", "Elimina", nullptr, "mnuFileDelete", NeedsView},
    {"Cerca", "Find", "Cerca", "mnuSearch", nullptr, NeedsView},
    {"Filtra", "Filter", "Filtra", "mnuFilter", nullptr, NeedsView},
    {"Stampa", "Print", "Stampa", "mnuPrintFunc", nullptr, NeedsView},
    {"Vendita", "Sale", "Vendita Viaggi / Premiazioni", nullptr, "mnuNewVendita", 0},
};

struct KeyRow {
    Qt::Key Key;
    bool KeypadOnly;
    Handler Press;
};

const KeyRow KeyRows[] = {
    {Qt::Key_Insert, false, Run<&frmMain::mnuFileNew_Click>},
    {Qt::Key_Plus, true, Run<&frmMain::mnuFileNew_Click>},
    {Qt::Key_Delete, false, Run<&frmMain::mnuFileDelete_Click>},
    {Qt::Key_Return, false, Run<&frmMain::mnuFileProperties_Click>},
    {Qt::Key_Enter, false, Run<&frmMain::mnuFileProperties_Click>},
};

// What a click on an element of the arrays of the view's fields and filters runs.
struct ArrayRow {
    const char* Name;
    void (*Click)(frmMain&, int element);
};

const ArrayRow ArrayRows[] = {
    {"mnuSearchItems", [](frmMain& w, int i) { w.Filters().SearchItem(i); }},
    {"mnuFilterItems", [](frmMain& w, int i) { w.Filters().FilterItem(i); }},
    {"mnuOrderItems", [](frmMain& w, int i) { w.Grid().OrderItem(i); }},
    {"mnuTotalItems", [](frmMain& w, int i) { w.Grid().Total(i); }},
    {"mnuFilterComplexItems", [](frmMain& w, int i) { w.Filters().FilterComplexItem(i); }},
};

// A new element of an array of the view, running its array's command when clicked.
QAction* AddFieldElement(frmMain& window, clsMenuSet& menus, const char* array,
                         const QString& caption) {
    QAction* element = menus.AddArrayElement(array, caption, caption);
    const int index = int(menus.Array(array).size()) - 1;
    for (const ArrayRow& row : ArrayRows)
        if (qstrcmp(row.Name, array) == 0)
            QObject::connect(element, &QAction::triggered, &window,
                             [&window, click = row.Click, index] { click(window, index); });
    return element;
}

// The arrays that list the view's fields and stored filters.
const char* const FieldArrays[] = {"mnuSearchItems", "mnuOrderItems", "mnuTotalItems",
                                   "mnuFilterItems", "mnuFilterComplexItems"};

void Popup(QMenu* menu, QWidget* at) {
    if (menu) menu->popup(at->mapToGlobal(QPoint(0, at->height())));
}

} // namespace

void BuildMainMenus(frmMain& window, clsMenuSet& menus, const frmMain::Hooks& hooks) {
    menus.AddMenu(new QMenu(&window), "mnuPopUp");
    for (const MenuRow& row : MenuRows) {
        QMenu* parent = row.Parent ? menus.Menu(row.Parent) : nullptr;
        if (row.Type == Kind::Separator) {
            parent->addSeparator();
        } else if (row.Type == Kind::Array) {
            menus.AddArray(parent, row.Name, row.Caption);
        } else if (row.Type == Kind::Menu) {
            menus.AddMenu(parent ? parent->addMenu(row.Caption)
                                 : window.menuBar()->addMenu(row.Caption),
                          row.Name);
        } else {
            QAction* action =
                menus.AddAction(parent, row.Name, row.Caption,
                                row.Key == None ? QKeySequence() : QKeySequence(row.Key));
            action->setCheckable(row.Flags & Checkable);
            action->setChecked(row.Flags & Checked);
            action->setEnabled(!(row.Flags & Disabled));
            if (row.Click)
                QObject::connect(action, &QAction::triggered, &window,
                                 [&window, click = row.Click] { click(window); });
        }
    }
    for (const HookRow& row : HookRows)
        QObject::connect(menus.Action(row.Name), &QAction::triggered, &window,
                         [&window, hook = hooks.*row.Hook, refresh = row.Refresh] {
                             if (hook) hook(&window);
                             if (refresh) window.RefreshDetailView();
                         });
}

void BuildMainToolBar(frmMain& window, clsMenuSet& menus) {
    QToolBar* bar = window.tbToolBar = window.addToolBar("tbToolBar");
    bar->setObjectName("tbToolBar");
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (const ToolRow& row : ToolRows) {
        auto* button = new QToolButton(bar);
        button->setObjectName(row.Key);
        button->setText(row.Caption);
        button->setToolTip(row.ToolTip);
        button->setIcon(ToolbarImage(row.Key));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setCheckable(row.Flags & Checkable);
        bar->addWidget(button);
        menus.AddButton(button, row.Key);
        const QString key = row.Key;
        QObject::connect(button, &QToolButton::clicked, &window,
                         [&window, key] { MainToolbarClick(window, key); });
    }
    // The Find button's drop-down lists the search items of the view.
    auto* find = new QMenu(&window);
    menus.AddMenu(find, "FindDropDown");
    menus.Button("Find")->setMenu(find);
    menus.Button("Find")->setPopupMode(QToolButton::MenuButtonPopup);
}

void MainToolbarClick(frmMain& window, const QString& key) {
    QToolButton* button = window.ToolButton(key);
    if (key == "BarcodeReader") return window.SetBarcodeReader(button->isChecked());
    if (key == "Find") {
        bool numeric = false;
        const int index = Tag(button).toString().toInt(&numeric);
        if (numeric) return window.Filters().SearchItem(index);
    }
    if (key == "Filter") {
        const auto& ds = window.CurrentDataSource();
        button->setChecked(!ds || !ds->Filter().isEmpty());
    }
    for (const ToolRow& row : ToolRows) {
        if (key != row.Key) continue;
        if (row.Popup) Popup(window.PopupMenu(row.Popup), button);
        if (row.Action) window.Menu(row.Action)->trigger();
    }
}

void ApplyViewRules(const clsMenuSet& menus, bool shown) {
    for (const MenuRow& row : MenuRows)
        if (row.Flags & NeedsView) menus.Action(row.Name)->setEnabled(shown);
    for (const ToolRow& row : ToolRows)
        if (row.Flags & NeedsView) menus.Button(row.Key)->setEnabled(shown);
}

void ResetViewMenus(clsMenuSet& menus) {
    for (const char* name : FieldArrays)
        menus.ClearArray(name);
    menus.Menu("FindDropDown")->clear();
    SetTag(menus.Button("Find"), QString());
    menus.Button("Filter")->setCheckable(true);
    menus.Button("Filter")->setChecked(false);
    menus.Action("mnuFilterComplex")->setChecked(false);
    menus.Action("mnuFilterShort")->setEnabled(true);
    SetTag(menus.Action("mnuFilter"), QString());
    menus.Action("mnuDataSelBeforeQuery")->setChecked(false);
}

void FillFieldMenus(frmMain& window, clsMenuSet& menus, DbmsDataSource& ds) {
    QMenu* find = menus.Menu("FindDropDown");
    for (const DbmsFieldInfo& field : ds.Fields()) {
        if (field.Excluded) continue;
        if (field.Type == DbmsType::Text) {
            AddFieldElement(window, menus, "mnuSearchItems", field.Name);
            AddFieldElement(window, menus, "mnuFilterItems", field.Name);
            // Drop-down entry n is search element n.
            const int index = int(menus.Array("mnuSearchItems").size()) - 1;
            QObject::connect(find->addAction(field.Name), &QAction::triggered, &window,
                             [&window, index] { window.Filters().SearchItem(index); });
        }
        AddFieldElement(window, menus, "mnuOrderItems", field.Name);
        if (field.Type == DbmsType::Integer || field.Type == DbmsType::Money)
            AddFieldElement(window, menus, "mnuTotalItems", field.Name);
    }
    if (!find->actions().isEmpty()) SetTag(menus.Button("Find"), 1);
    const auto complex = DbmsSelectionSet::FromDataSource(ds, DbmsSelectionSet::Complex);
    FillComplexFilterItems(window, menus, complex->StoredNames());
}

void FillComplexFilterItems(frmMain& window, clsMenuSet& menus, const QString& names) {
    menus.ClearArray("mnuFilterComplexItems");
    for (const QString& name : names.split('|', Qt::SkipEmptyParts))
        AddFieldElement(window, menus, "mnuFilterComplexItems", name);
}

void FillAssociationMenus(frmMain& window, clsMenuSet& menus, DbmsDataSource* ds) {
    for (const QString& name : clsRowCommands::AssociationMenus()) {
        menus.ClearArray(name);
        QAction* header = menus.Array(name).front();
        header->setVisible(true);
        if (!ds) continue;
        for (const clsAssociationItem& item : clsRowCommands(*ds).AssociationItems(name)) {
            QAction* element = menus.AddArrayElement(name, item.Caption, item.Number);
            element->setEnabled(item.Enabled);
            const int index = int(menus.Array(name).size()) - 1;
            QObject::connect(element, &QAction::triggered, &window,
                             [&window, name, index] { window.mnuAssociation_Click(name, index); });
        }
        header->setVisible(menus.Array(name).size() >= 2);
    }
}

void ShowCurrencyMenu(const clsMenuSet& menus, DbmsDatabase* db, bool conversion) {
    QAction* menu = menus.Action("mnuViewCurrencyConversion");
    const auto currency = db ? db->ConversionCurrency() : nullptr;
    menu->setVisible(currency != nullptr);
    if (!currency) return;
    menu->setText("&Importi In " + currency->Name());
    menu->setChecked(conversion);
}

bool MainKeyPress(frmMain& window, QObject* target, QKeyEvent* event) {
    // A service command without a menu entry, for the technician who converts an old archive.
    if (event->key() == Qt::Key_R &&
        (event->modifiers() & ~Qt::KeypadModifier) ==
            (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier)) {
        window.Maintenance().ConvertCurrency();
        return true;
    }
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    for (const KeyRow& row : KeyRows)
        if (event->key() == row.Key && (keypad || !row.KeypadOnly)) {
            row.Press(window);
            return true;
        }
    // A letter or digit typed over the grid starts the last search with it.
    const int key = event->key();
    const bool typed =
        (key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9);
    QAbstractItemView* grid = window.CurrentGrid();
    if (!typed || !grid || (target != grid && target != grid->viewport())) return false;
    // Without a search to run the key does nothing, not even the grid's own jump.
    window.Filters().TypeAhead(event->text().isEmpty() ? QString(QChar(key)).toLower()
                                                       : event->text());
    return true;
}
