#include "clsReportCommands.h"

#include "DbmsExport.h"
#include "DbmsFormService.h"
#include "clsMainView.h"
#include "clsMessageWindowWork.h"
#include "frmMain.h"
#include "itfPrompter.h"
#include "itfReportRunner.h"
#include "modOSWinUtil.h"
#include "modPaths.h"
#include "modSectionTreeView.h"

#include <QApplication>
#include <QTableView>

clsReportCommands::clsReportCommands(frmMain& window, clsMainView& view)
    : w(window), m_view(view), m_work(std::make_unique<clsMessageWindowWork>()) {}

clsReportCommands::~clsReportCommands() = default;

void clsReportCommands::SetWorkWindow(std::unique_ptr<itfWorkWindow> work) {
    m_work = std::move(work);
}

QString clsReportCommands::HtmlPath() {
    return modPaths::MakeFilePath(modPaths::AppDir(), "TableData.htm", QString());
}

void clsReportCommands::Print(int action) {
    const auto ds = m_view.DataSource();
    if (!ds) {
        Prompter().Beep();
        return;
    }
    // The section's key is its name, which is what the layouts are chosen by.
    Request(ds, action, NodeKey(w.tvTreeView->currentItem()));
}

void clsReportCommands::Request(std::shared_ptr<DbmsDataSource> ds, int action,
                                const QString& title) {
    if (!ds) return;
    if (m_runner && m_runner->HasLayout(ds->TableDef().Name, title)) {
        m_runner->Run(std::move(ds), action, title, &w, *m_work);
        return;
    }
    if (ShowMessage(&w,
                    "Non sono disponibili Report personalizzati per questi dati.\r\r"
                    "Visualizzare/Stampare da Internet Browser ?",
                    PromptIcon::Question, PromptButtons::YesNo,
                    PromptAnswer::No) != PromptAnswer::Yes)
        return;
    QWidget* owner = QApplication::activeWindow();
    ExportHtml(std::move(ds), owner ? owner : &w);
}

void clsReportCommands::WebBrowser() {
    if (!w.dgView->isVisible() || !m_view.DataSource()) {
        Prompter().Beep();
        return;
    }
    ExportHtml(m_view.DataSource(), &w);
}

void clsReportCommands::ExportHtml(std::shared_ptr<DbmsDataSource> ds, QWidget* owner) {
    if (!ds) return;
    // The page starts from the fields the grid shows, when the grid shows this table.
    const auto& layout = m_view.Layout();
    QString sequence =
        layout && layout->TableName().compare(ds->TableDef().Name, Qt::CaseInsensitive) == 0
            ? layout->FieldSequence()
            : QString();
    if (ShowMessage(owner, "Vuoi modificare la sequenza dei campi per il browser ?",
                    PromptIcon::Question, PromptButtons::YesNo) == PromptAnswer::Yes &&
        !FormService().ShowFieldSequence(owner, *ds, "Esportazione HTML - Selezione Campi",
                                         sequence))
        return;
    // Only the fields of the sequence the data source still has; none left means all.
    QStringList fields;
    const QStringList known = DbmsExportFields(*ds);
    for (const QString& name : sequence.split(u',', Qt::SkipEmptyParts))
        for (const QString& field : known)
            if (field.compare(name.trimmed(), Qt::CaseInsensitive) == 0) fields << field;

    const QString path = HtmlPath();
    m_work->Show("Esportazione dati in formato HTML...", owner);
    try {
        // The engine writes aside and replaces the old page only once the new one is whole.
        DbmsExport(*ds, path, DbmsExportFormat::Html, &m_work->Progress(), fields);
    } catch (const DbmsError& e) {
        m_work->Unload();
        if (e.Code() != DbmsError::Stopped)
            ShowMessage(owner,
                        "Esportazione dati in formato HTML non riuscita.\r\r" + e.Description(),
                        PromptIcon::Critical);
        return;
    }
    m_work->Unload();
    if (!modOSWinUtil::ShellExec(path, "open", QString(), QString(), false))
        ShowMessage(owner, "Impossibile aprire il file " + path + " con il programma associato.",
                    PromptIcon::Exclamation);
}

void clsReportCommands::Save() {
    const auto ds = m_view.DataSource();
    if (!ds) {
        Prompter().Beep();
        return;
    }
    FormService().ExportData(&w, *ds);
}
