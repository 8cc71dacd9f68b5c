#include "clsViewCommands.h"

#include "DbmsFormService.h"
#include "ReportError.h"
#include "clsMainView.h"
#include "clsRowCommands.h"
#include "frmMain.h"
#include "itfPrompter.h"
#include "modSectionTree.h"
#include "modTag.h"
#include "modWaitCursor.h"

#include <QAction>
#include <QTimer>

namespace {

QString SelectedNodeText(const QTreeWidget* tree) {
    const QTreeWidgetItem* item = tree->currentItem();
    return item ? item->text(0) : QString();
}

} // namespace

// --- rows of the view ---

void clsViewCommands::NewRow() {
    const auto& ds = m_view.DataSource();
    if (!ds) {
        Prompter().Beep();
        return;
    }
    try {
        const QVariant oid = FormService().ShowRowEditor(&w, *ds, true);
        if (oid.isValid()) {
            // The grid moves to the new row.
            m_view.Rows().Keep(oid.toLongLong());
            m_view.Reload();
        }
    } catch (const std::exception&) {
        // A new row that cannot be made leaves the view as it was.
    }
    m_view.ShowStatus();
}

void clsViewCommands::EditRow() {
    const auto& ds = m_view.DataSource();
    const OID oid = m_view.Rows().CurrentOID();
    if (!ds || oid == 0 || !ds->Locate(oid)) {
        Prompter().Beep();
        return;
    }
    if (FormService().ShowRowEditor(&w, *ds, false).isValid()) m_view.Reload();
    m_view.ShowStatus();
}

void clsViewCommands::DeleteRows() {
    WaitCursor wait;
    const auto& ds = m_view.DataSource();
    const std::vector<OID> rows = m_view.Rows().Chosen();
    if (!ds || rows.empty()) {
        Prompter().Beep();
        return;
    }
    try {
        clsRowCommands(*ds).Delete(rows, m_view.Rows().CurrentOID(),
                                   [this](const clsQuestion& q) { return m_view.Ask(q); });
    } catch (const std::exception& e) {
        ReportError(m_settings, "Eliminazione dati fallita: \r\r" + ErrorDescription(e), e, &w);
    }
    // What the archive holds now, deleted or not.
    try {
        m_view.Reload();
    } catch (const std::exception& e) {
        ReportError(m_settings, "Visualizzazione dati fallita: \r\r" + ErrorDescription(e), e, &w);
    }
    m_view.ShowStatus();
}

// --- predefined selections ---

void clsViewCommands::StoreSelections() {
    // The click has turned the check mark already: it shows what is stored.
    QAction* menu = w.Menu("mnuDataSelBeforeQuery");
    clsPredefinedSelections& selections = m_view.Selections();
    menu->setChecked(selections.AskFirst());
    const auto& ds = m_view.DataSource();
    if (!ds ||
        !selections.Store(*ds->Table(), SelectedNodeText(w.tvTreeView),
                          [this](DbmsSelectionSet& set) { return m_view.ChooseSelections(set); }))
        return;
    menu->setChecked(true);
    ShowMessage(&w,
                "Selezioni predefinite impostate.\r\rN.B.: Tali impostazioni vengono considerate "
                "solo se i dati che si stanno visualizzando non prevedono ulteriori selezioni "
                "(Data.., etc.)",
                PromptIcon::Information);
}

void clsViewCommands::RemoveSelections() {
    const auto& ds = m_view.DataSource();
    if (!ds) return;
    if (m_view.Selections().Remove(*ds->Table(), SelectedNodeText(w.tvTreeView)))
        ShowMessage(&w, "Selezioni predefinite eliminate.");
    w.Menu("mnuDataSelBeforeQuery")->setChecked(false);
}

// --- related data ---

void clsViewCommands::Association(const QString& menu, int element) {
    const auto& ds = m_view.DataSource();
    if (!ds || DbmsIsBusy(*ds)) return;
    const auto& elements = w.MenuArray(menu);
    if (element <= 0 || element >= int(elements.size())) return;
    SetTag(w.tmFunc, DeferredCommandText(menu, Tag(elements[element]).toInt()));
    w.tmFunc->start();
}

void clsViewCommands::RunDeferred() {
    if (m_blnFuncBusy) return;
    m_blnFuncBusy = true;
    const QString text = Tag(w.tmFunc).toString();
    w.tmFunc->stop();
    SetTag(w.tmFunc, QString());
    const DeferredCommand command = ParseDeferredCommand(text);
    if (!command.Menu.isEmpty())
        OpenRelated(command.Menu, command.Number);
    else if (text == "mnuFilterComplex")
        w.Filters().RunFilterComplex();
    else if (text == "mnuOrderComplex")
        w.Grid().RunOrderComplex();
    m_blnFuncBusy = false;
}

void clsViewCommands::OpenRelated(const QString& menu, int number) {
    const auto& ds = m_view.DataSource();
    if (!ds) return;
    if (DbmsIsBusy(*ds)) {
        ShowMessage(&w, "Operazione non abilitata in questa fase", PromptIcon::Information);
        return;
    }
    try {
        const auto related =
            clsRowCommands(*ds).OpenRelated(menu, number, m_view.Rows().CurrentOID());
        FormService().ShowRowList(&w, *related, related->Table()->Caption());
    } catch (const std::exception& e) {
        ShowMessage(&w, "Si e' verificato un errore:\r\r" + ErrorDescription(e));
    }
    m_view.ShowStatus();
}
