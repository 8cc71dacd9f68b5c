#include "clsReportRunner.h"

#include "DbmsDataSource.h"
#include "ReportGroupRenderer.h"
#include "ReportLayout.h"
#include "ReportRenderer.h"
#include "clsMessageWindowWork.h"
#include "clsSettings.h"
#include "itfPrompter.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <functional>

namespace {

// What the two kinds of layout share: drawing on a device, and writing a PDF file.
struct Report {
    std::function<void(QPagedPaintDevice&, itfProgress*)> Render;
    std::function<void(const QString&, itfProgress*)> ExportPdf;
};

template <typename Renderer> Report Using(Renderer& renderer) {
    return {[&renderer](QPagedPaintDevice& device, itfProgress* p) { renderer.Render(device, p); },
            [&renderer](const QString& path, itfProgress* p) { renderer.ExportPdf(path, p); }};
}

void Run(const Report& report, int action, const QString& title, QWidget* owner) {
    clsMessageWindowWork work;
    try {
        if (action == 1) {
            QPrinter printer;
            QPrintPreviewDialog preview(&printer, owner);
            preview.setObjectName("ReportPreview");
            QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                             [&report](QPrinter* device) { report.Render(*device, nullptr); });
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

} // namespace

bool clsReportRunner::HasLayout(const QString& table, const QString& title) {
    const ReportChoice choice = ChooseReportLayout(table, title);
    return choice.Layout || choice.Group;
}

void clsReportRunner::Run(std::shared_ptr<DbmsDataSource> ds, int action, const QString& title,
                          QWidget* owner) {
    const ReportChoice choice = ChooseReportLayout(ds->TableDef().Name, title);
    if (choice.Layout) {
        ReportRenderer renderer(*choice.Layout, *ds);
        ::Run(Using(renderer), action, title, owner);
    } else if (choice.Group) {
        ReportGroupRenderer renderer(*choice.Group, *ds,
                                     m_settings.ReadSetting("Configuration", "AgencyName"),
                                     m_settings.ReadSetting("Configuration", "AgencyWebAddress"));
        ::Run(Using(renderer), action, title, owner);
    }
}
