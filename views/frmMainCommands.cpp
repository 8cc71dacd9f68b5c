// The main window's commands: rows of the view, toggles, date selection, predefined
// selections, related data, and the keys the window sees before its controls.
#include "frmMain.h"

#include "DbmsFormService.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "clsSettings.h"
#include "frmAbout.h"
#include "frmDateSetting.h"
#include "frmOptions.h"
#include "itfPrompter.h"
#include "modSectionTree.h"
#include "modTag.h"
#include "modWaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <set>

namespace {

QString SelectedNodeText(const QTreeWidget* tree) {
    const QTreeWidgetItem* item = tree->currentItem();
    return item ? item->text(0) : QString();
}

void Popup(QMenu* menu, QWidget* at) {
    if (menu) menu->popup(at->mapToGlobal(QPoint(0, at->height())));
}

} // namespace

// --- rows of the view ---

void frmMain::mnuFileNew_Click() {
    if (!m_ds) {
        Prompter().Beep();
        return;
    }
    try {
        const QVariant oid = FormService().ShowRowEditor(this, *m_ds, true);
        if (oid.isValid()) {
            // The grid moves to the new row.
            m_kept = {oid.toLongLong(), -1, 0};
            ReloadView();
        }
    } catch (const std::exception&) {
        // A new row that cannot be made leaves the view as it was.
    }
    ShowViewStatus();
}

void frmMain::mnuFileProperties_Click() {
    OpenCurrentRow();
}

namespace {

// What else a delete takes, said after the question: the rows deleted with the chosen ones,
// then the rows left without their link, each table by its caption.
QString DependentsText(const std::vector<DbmsDependentRows>& dependents) {
    QStringList removed, unlinked;
    for (const DbmsDependentRows& d : dependents) {
        if (d.Removed > 0) removed << QString::number(d.Removed) + " " + d.Caption;
        if (d.Unlinked > 0) unlinked << QString::number(d.Unlinked) + " " + d.Caption;
    }
    QString text;
    if (!removed.isEmpty())
        text += "\rVerranno eliminati anche i dati collegati: " + removed.join(", ") + ".";
    if (!unlinked.isEmpty())
        text += "\rPerderanno il collegamento ai dati eliminati: " + unlinked.join(", ") + ".";
    return text.isEmpty() ? text : "\r" + text;
}

} // namespace

void frmMain::mnuFileDelete_Click() {
    WaitCursor wait;
    const std::vector<OID> rows = ChosenRows();
    if (!m_ds || rows.empty()) {
        Prompter().Beep();
        return;
    }
    try {
        if (ShowMessage(this,
                        "Confermi l'eliminazione dei dati selezionati ?" +
                            DependentsText(DbmsCountDependents(*m_ds, rows)),
                        PromptIcon::Question, PromptButtons::YesNo,
                        PromptAnswer::Yes) != PromptAnswer::Yes)
            return;
        m_ds->Locate(CurrentGridOID());
        // Customers, suppliers and articles take their sales lines and references with them.
        static const std::set<QString> masters = {"Fornitori", "Clienti", "Articoli"};
        if (masters.count(m_ds->Table()->Name()) &&
            ShowMessage(this,
                        "L'eliminazione comporterà l'elimnazione anche dei dati correlati!\r\r"
                        "Sei sicuro ?",
                        PromptIcon::Exclamation, PromptButtons::YesNo,
                        PromptAnswer::No) != PromptAnswer::Yes)
            return;

        auto db = m_ds->Database();
        db->BeginTrans();
        try {
            for (OID oid : rows)
                if (m_ds->Locate(oid)) m_ds->Delete();
            db->CommitTrans();
        } catch (...) {
            db->Rollback();
            throw;
        }
    } catch (const std::exception& e) {
        ReportError(m_settings, "Eliminazione dati fallita: \r\r" + ErrorDescription(e), e, this);
    }
    // What the archive holds now, deleted or not.
    try {
        ReloadView();
    } catch (const std::exception& e) {
        ReportError(m_settings, "Visualizzazione dati fallita: \r\r" + ErrorDescription(e), e,
                    this);
    }
    ShowViewStatus();
}

// --- view toggles ---

void frmMain::mnuViewToolbar_Click() {
    tbToolBar->setVisible(Menu("mnuViewToolbar")->isChecked());
    ResizeMainLayout(m_blnTreeVisible ? m_intSplit : 0);
}

void frmMain::mnuViewStatusBar_Click() {
    sbStatusBar->setVisible(Menu("mnuViewStatusBar")->isChecked());
    ResizeMainLayout(m_blnTreeVisible ? m_intSplit : 0);
}

void frmMain::mnuHideSection_Click() {
    // The menu's check mark follows the pane, which the layout routine keeps.
    ResizeMainLayout(m_blnTreeVisible ? 0 : -1);
}

// --- date selection ---

void frmMain::cmdDateSel_Click() {
    Popup(PopupMenu("mnuSelection"), cmdDateSel);
}

void frmMain::mnuSelAll_Click() {
    if (!m_session.DaySelection() && !m_session.MonthSelection()) {
        RefreshDateSelCaption(); // the click has turned the check mark; put it back
        return;
    }
    m_session.SetDateSelection(false, false);
    RefreshDateSelCaption();
    m_settings.Save();
    RefreshDetailView();
}

void frmMain::mnuSelDate_Click() {
    ChooseSelectionDate(false);
}

void frmMain::mnuSelMonth_Click() {
    ChooseSelectionDate(true);
}

void frmMain::ChooseSelectionDate(bool month) {
    frmDateSetting picker(this);
    const QVariant date = picker.SetDate(m_session.SelectedDate(), -1, -1);
    if (!date.isValid()) {
        RefreshDateSelCaption(); // the click has turned the check mark; put it back
        return;
    }
    m_session.SetSelectedDate(date.toDate());
    m_session.SetDateSelection(!month, month);
    RefreshDateSelCaption();
    RefreshDetailView();
}

// --- predefined selections ---

void frmMain::mnuDataSelBeforeQuery_Click() {
    QAction* menu = Menu("mnuDataSelBeforeQuery");
    const bool wasChecked = !menu->isChecked(); // the click has turned it already
    menu->setChecked(wasChecked);
    if (!m_ds) return;
    const QString nodeText = SelectedNodeText(tvTreeView);
    if (m_selection && m_selection->Name() != nodeText) m_selection.reset();
    if (!m_selection) m_selection = m_ds->Table()->CreateSelectionSet();
    if (m_selection->Name() != nodeText) m_selection->SetName(nodeText);
    if (!FormService().ShowPredefinedSelections(this, *m_selection, "Selezioni predefinite"))
        return;
    m_selection->Save(nodeText);
    menu->setChecked(true);
    ShowMessage(this,
                "Selezioni predefinite impostate.\r\rN.B.: Tali impostazioni vengono considerate "
                "solo se i dati che si stanno visualizzando non prevedono ulteriori selezioni "
                "(Data.., etc.)",
                PromptIcon::Information);
}

void frmMain::mnuDataSelCancel_Click() {
    if (!m_ds) return;
    const QString nodeText = SelectedNodeText(tvTreeView);
    if (m_selection && m_selection->Name() != nodeText) m_selection.reset();
    if (!m_selection) m_selection = m_ds->Table()->CreateSelectionSet();
    if (m_selection->Name() != nodeText) m_selection->SetName(nodeText);
    if (m_selection->Restore(nodeText)) {
        m_selection->Remove(nodeText);
        ShowMessage(this, "Selezioni predefinite eliminate.");
    }
    m_selection.reset();
    Menu("mnuDataSelBeforeQuery")->setChecked(false);
}

// --- other windows ---

void frmMain::mnuToolsOptions_Click() {
    auto* options = new frmOptions(this, this, m_settings);
    options->setAttribute(Qt::WA_DeleteOnClose);
    options->ShowModeless();
}

void frmMain::mnuHelpAbout_Click() {
    frmAbout about(this);
    Prompter().Exec(about);
}

void frmMain::mnuHelpContents_Click() {
    // The program ships without a help file.
    ShowMessage(this,
                "Unable to display Help Contents. There is no Help associated with this project.",
                PromptIcon::Information);
}

// --- related data ---

void frmMain::mnuAssociation_Click(const QString& menu, int element) {
    if (!m_ds || DbmsIsBusy(*m_ds)) return;
    const auto& elements = MenuArray(menu);
    if (element <= 0 || element >= int(elements.size())) return;
    SetTag(tmFunc, DeferredCommandText(menu, Tag(elements[element]).toInt()));
    tmFunc->start();
}

void frmMain::tmFunc_Timer() {
    if (m_blnFuncBusy) return;
    m_blnFuncBusy = true;
    const QString text = Tag(tmFunc).toString();
    tmFunc->stop();
    SetTag(tmFunc, QString());
    const DeferredCommand command = ParseDeferredCommand(text);
    if (!command.Menu.isEmpty()) OpenRelated(command.Menu, command.Number);
    m_blnFuncBusy = false;
}

void frmMain::OpenRelated(const QString& menu, int number) {
    if (!m_ds) return;
    if (DbmsIsBusy(*m_ds)) {
        ShowMessage(this, "Operazione non abilitata in questa fase", PromptIcon::Information);
        return;
    }
    try {
        const DbmsRelationKind kind = menu == "mnuRefItem"    ? DbmsRelationKind::Reference
                                      : menu == "mnuContItem" ? DbmsRelationKind::Container
                                                              : DbmsRelationKind::Referenced;
        const OID current = CurrentGridOID();
        if (current != 0) m_ds->Locate(current);
        const auto related = DbmsOpenRelated(*m_ds, kind, number);
        FormService().ShowRowList(this, *related, related->Table()->Caption());
    } catch (const std::exception& e) {
        ShowMessage(this, "Si e' verificato un errore:\r\r" + ErrorDescription(e));
    }
    ShowViewStatus();
}

// --- toolbar and keys ---

void frmMain::ToolbarClick(const QString& key) {
    QToolButton* button = ToolButton(key);
    if (key == "Find")
        Popup(PopupMenu("mnuSearch"), button);
    else if (key == "Filter") {
        button->setChecked(!m_ds || !m_ds->Filter().isEmpty());
        Popup(PopupMenu("mnuFilter"), button);
    } else if (key == "Print")
        Popup(PopupMenu("mnuPrintFunc"), button);
    else if (key == "Related")
        Popup(PopupMenu("mnuAssociation"), button);
    else if (key == "Save")
        Menu("mnuSave")->trigger();
    else if (key == "Delete")
        mnuFileDelete_Click();
    else if (key == "New")
        mnuFileNew_Click();
    else if (key == "Properties")
        mnuFileProperties_Click();
    else if (key == "BarcodeReader")
        SetBarcodeReader(button->isChecked());
    else if (key == "Sale")
        Menu("mnuNewVendita")->trigger();
}

bool frmMain::HandleKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier) return false;
    switch (event->key()) {
    case Qt::Key_Insert:
        mnuFileNew_Click();
        return true;
    case Qt::Key_Plus:
        if (!keypad) return false;
        mnuFileNew_Click();
        return true;
    case Qt::Key_Delete:
        mnuFileDelete_Click();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OpenCurrentRow();
        return true;
    default:
        return false;
    }
}
