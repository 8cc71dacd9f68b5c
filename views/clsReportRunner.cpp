#include "clsReportRunner.h"

#include "DbmsDataSource.h"
#include "ReportLayout.h"
#include "ReportRenderer.h"
#include "clsMessageWindowWork.h"
#include "itfPrompter.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

bool clsReportRunner::HasLayout(const QString& table, const QString& title) {
    return ChooseReportLayout(table, title).Layout.has_value();
}

void clsReportRunner::Run(std::shared_ptr<DbmsDataSource> ds, int action, const QString& title,
                          QWidget* owner) {
    const ReportChoice choice = ChooseReportLayout(ds->TableDef().Name, title);
    if (!choice.Layout) return;
    ReportRenderer report(*choice.Layout, *ds);
    clsMessageWindowWork work;
    try {
        if (action == 1) {
            QPrinter printer;
            QPrintPreviewDialog preview(&printer, owner);
            preview.setObjectName("ReportPreview");
            QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                             [&report](QPrinter* device) { report.Render(*device); });
            Prompter().Exec(preview);
        } else if (action == 0) {
            QPrinter printer;
            QPrintDialog dialog(&printer, owner);
            if (Prompter().Exec(dialog) != QDialog::Accepted) return;
            work.Show("Stampa " + title + "...", owner);
            report.Render(printer, &work.Progress());
        } else {
            const QString path =
                Prompter().SaveFileName(owner, "Esporta stampa", title + ".pdf", "PDF (*.pdf)");
            if (path.isEmpty() || !ConfirmReplace(owner, path)) return;
            work.Show("Esportazione " + title + "...", owner);
            report.ExportPdf(path, &work.Progress());
        }
    } catch (const DbmsError& e) {
        work.Unload();
        // A stop asked in the message window ends the report without a word.
        if (e.Code() != DbmsError::Stopped)
            ShowMessage(owner, "Stampa non riuscita.\r\r" + e.Description(), PromptIcon::Critical);
    }
    work.Unload();
}
