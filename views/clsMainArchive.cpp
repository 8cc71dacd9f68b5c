#include "clsMainArchive.h"

#include "DbmsEngine.h"
#include "clsArchiveSession.h"
#include "clsMainView.h"
#include "clsSettings.h"
#include "frmMain.h"
#include "itfPrompter.h"
#include "modMainMenus.h"

#include <QAction>
#include <QApplication>
#include <QTimer>

void clsMainArchive::WindowEvent(const QEvent& event) {
    // Showing the window counts as its first activation: without a window manager (a bare X
    // server, a kiosk session) no activation would ever come.
    const bool firstShow = event.type() == QEvent::Show && !m_blnActivated;
    if ((event.type() == QEvent::WindowActivate || firstShow) && !m_blnOptionFormVisible) {
        // Activation runs after the window is painted, so the user sees it before the archive
        // work starts.
        QTimer::singleShot(0, &w, &frmMain::Activate);
    }
}

void clsMainArchive::Activate() {
    // Opening the archive lets events run; an activation arriving meanwhile waits for no one.
    if (m_blnActivating || m_blnOptionFormVisible) return;
    m_blnActivating = true;
    try {
        if (m_session.IsReleased()) {
            QApplication::processEvents();
            if (m_open) m_open(m_blnActivated);
            ShowCurrencyMenu(m_menus, m_session.Database().get(), m_settings.CurrencyConversion);
            w.SetTreeViewNodes();
            m_view.Refresh();
            // The sections are where a clerk without a mouse starts; the message shown while
            // the archive opened has taken the keyboard from them.
            if (!w.focusWidget() || w.focusWidget() == &w) w.tvTreeView->setFocus();
        }
        m_blnActivated = true;
        w.SetBarcodeReader(m_settings.BarcodeReaderEnabled);
        const bool backupDir = !m_settings.BackupDir.trimmed().isEmpty();
        w.Menu("mnuBackup")->setEnabled(m_settings.BackupFuncSaveEnabled && backupDir);
        w.Menu("mnuRestore")->setEnabled(m_settings.BackupFuncRestoreEnabled && backupDir);
        w.Maintenance().RemindToSave();
        if (QAbstractItemView* grid = m_view.Rows().Current()) grid->viewport()->update();
    } catch (...) {
        // Activation never bothers the user: every step reports its own failures.
    }
    m_blnActivating = false;
}

void clsMainArchive::Release() {
    m_view.Release();
    m_session.Release();
}

void clsMainArchive::ShowEvent(int code, const QString& detail) {
    const QString text = DbmsEngine::EventText(code);
    w.SetStatusMsg(detail.isEmpty() ? text : text + " <" + detail + ">...");
}

void clsMainArchive::Inform(const QString& message) {
    ShowMessage(&w, message, PromptIcon::Information);
}

void clsMainArchive::Query(int kind, const QString& message, bool& cancel) {
    const PromptAnswer answer =
        ShowMessage(&w, message, kind == 3 ? PromptIcon::Exclamation : PromptIcon::Question,
                    PromptButtons::OkCancel, cancel ? PromptAnswer::Cancel : PromptAnswer::Ok);
    cancel = answer != PromptAnswer::Ok;
}
