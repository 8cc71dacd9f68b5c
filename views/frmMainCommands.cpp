// The main window's commands: rows of the view, toggles, date selection, predefined
// selections, related data, and the keys the window sees before its controls.
#include "frmMain.h"

#include "DbmsFormService.h"
#include "ReportError.h"
#include "clsArchiveSession.h"
#include "clsGridRows.h"
#include "clsRowCommands.h"
#include "clsSettings.h"
#include "frmAbout.h"
#include "frmOptions.h"
#include "itfPrompter.h"
#include "modMainMenus.h"
#include "modSectionTree.h"
#include "modTag.h"
#include "modWaitCursor.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace {

QString SelectedNodeText(const QTreeWidget* tree) {
    const QTreeWidgetItem* item = tree->currentItem();
    return item ? item->text(0) : QString();
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
            m_rows->Keep(oid.toLongLong());
            ReloadView();
        }
    } catch (const std::exception&) {
        // A new row that cannot be made leaves the view as it was.
    }
    ShowViewStatus();
}

void frmMain::mnuFileProperties_Click() {
    const OID oid = CurrentGridOID();
    if (!m_ds || oid == 0 || !m_ds->Locate(oid)) {
        Prompter().Beep();
        return;
    }
    if (FormService().ShowRowEditor(this, *m_ds, false).isValid()) ReloadView();
    ShowViewStatus();
}

void frmMain::mnuFileDelete_Click() {
    WaitCursor wait;
    const std::vector<OID> rows = m_rows->Chosen();
    if (!m_ds || rows.empty()) {
        Prompter().Beep();
        return;
    }
    try {
        clsRowCommands(*m_ds).Delete(rows, CurrentGridOID(),
                                     [this](const clsQuestion& q) { return Ask(q); });
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
    m_panes->Relayout();
}

void frmMain::mnuViewStatusBar_Click() {
    sbStatusBar->setVisible(Menu("mnuViewStatusBar")->isChecked());
    m_panes->Relayout();
}

void frmMain::mnuHideSection_Click() {
    // The menu's check mark follows the pane, which the layout routine keeps.
    m_panes->Resize(m_panes->TreeVisible() ? 0 : -1);
}

// --- date selection ---

void frmMain::ReadDateSelection(bool changed) {
    RefreshDateSelCaption();
    if (changed) RefreshDetailView();
}

// --- predefined selections ---

bool frmMain::ChooseSelections(DbmsSelectionSet& set) {
    return FormService().ShowPredefinedSelections(this, set, "Selezioni predefinite");
}

void frmMain::mnuDataSelBeforeQuery_Click() {
    // The click has turned the check mark already: it shows what is stored.
    QAction* menu = Menu("mnuDataSelBeforeQuery");
    menu->setChecked(m_selections.AskFirst());
    if (!m_ds ||
        !m_selections.Store(*m_ds->Table(), SelectedNodeText(tvTreeView),
                            [this](DbmsSelectionSet& set) { return ChooseSelections(set); }))
        return;
    menu->setChecked(true);
    ShowMessage(this,
                "Selezioni predefinite impostate.\r\rN.B.: Tali impostazioni vengono considerate "
                "solo se i dati che si stanno visualizzando non prevedono ulteriori selezioni "
                "(Data.., etc.)",
                PromptIcon::Information);
}

void frmMain::mnuDataSelCancel_Click() {
    if (!m_ds) return;
    if (m_selections.Remove(*m_ds->Table(), SelectedNodeText(tvTreeView)))
        ShowMessage(this, "Selezioni predefinite eliminate.");
    Menu("mnuDataSelBeforeQuery")->setChecked(false);
}

bool frmMain::Ask(const clsQuestion& q) {
    return ShowMessage(this, q.Text, q.Warning ? PromptIcon::Exclamation : PromptIcon::Question,
                       PromptButtons::YesNo,
                       q.DefaultYes ? PromptAnswer::Yes : PromptAnswer::No) == PromptAnswer::Yes;
}

// --- other windows ---

void frmMain::mnuToolsOptions_Click() {
    auto* options = new frmOptions(this, this, m_settings);
    options->setAttribute(Qt::WA_DeleteOnClose);
    options->ShowModeless();
}

void frmMain::mnuNewVendita_Click() {
    if (m_hooks.NewVendita) m_hooks.NewVendita(this);
    RefreshDetailView();
}

void frmMain::mnuNewCliente_Click() {
    if (m_hooks.NewCliente) m_hooks.NewCliente(this);
    RefreshDetailView();
}

void frmMain::mnuChangePwd_Click() {
    if (m_hooks.ChangePassword) m_hooks.ChangePassword(this);
}

void frmMain::mnuBarcodeReader_Click() {
    // Checkable: the click has already turned the check mark, to the state asked for.
    SetBarcodeReader(Menu("mnuBarcodeReader")->isChecked());
}

void frmMain::mnuActivate_Click() {
    if (isHidden()) show();
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
        const auto related = clsRowCommands(*m_ds).OpenRelated(menu, number, CurrentGridOID());
        FormService().ShowRowList(this, *related, related->Table()->Caption());
    } catch (const std::exception& e) {
        ShowMessage(this, "Si e' verificato un errore:\r\r" + ErrorDescription(e));
    }
    ShowViewStatus();
}

// --- keys and the splitter ---

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgSplitter) {
        m_panes->SplitterMouse(event);
        return false;
    }
    // A press on the tree comes before the node change it causes (see tvTreeView_Click).
    if (event->type() == QEvent::MouseButtonPress && watched == tvTreeView->viewport())
        m_intNodeChangesAtPress = m_intNodeChanges;
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // Only keys meant for this window, before its controls see them.
        if (widget && widget->window() == this && widget != this &&
            MainKeyPress(*this, static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
