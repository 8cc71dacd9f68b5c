#include "clsReportRunner.h"

#include "DbmsDataSource.h"
#include "ReportGroupRenderer.h"
#include "ReportLayout.h"
#include "ReportRenderer.h"
#include "clsSettings.h"
#include "frmReportPreview.h"
#include "itfPrompter.h"
#include "itfWorkWindow.h"

#include <QPrintDialog>
#include <QPrinter>

namespace {

// Runs `work` with `window` shown over `owner`; a stop asked there ends it without a word, a
// failure says what failed.
template <typename Work>
void Reported(itfWorkWindow& window, const QString& text, QWidget* owner, Work work) {
    try {
        window.Show(text, owner);
        work(window.Progress());
    } catch (const DbmsError& e) {
        window.Unload();
        if (e.Code() != DbmsError::Stopped)
            ShowMessage(owner, "Stampa non riuscita.\r\r" + e.Description(), PromptIcon::Critical);
    }
    window.Unload();
}

// True when the print dialog was accepted (and the report laid out for its printer).
bool Print(ReportDocument& report, QWidget* owner, itfWorkWindow& work) {
    QPrinter printer;
    printer.setPageLayout(ReportDocument::DefaultPageLayout());
    printer.setDocName(report.Title());
    QPrintDialog dialog(&printer, owner);
    if (Prompter().Exec(dialog) != QDialog::Accepted) return false;
    Reported(work, "Stampa " + report.Title() + "...", owner, [&](itfProgress& progress) {
        // The pages chosen in the print dialog, else every page.
        const bool range = printer.printRange() == QPrinter::PageRange;
        report.Render(printer, &progress, range ? printer.fromPage() : 1,
                      range ? printer.toPage() : INT_MAX);
    });
    return true;
}

void Run(ReportDocument& report, int action, QWidget* owner, itfWorkWindow& work) {
    const QString& title = report.Title();
    if (action == 0) {
        Print(report, owner, work);
    } else if (action == 1) {
        // Laid out first (the summaries read every sale to count pages), then one page at a time.
        bool laidOut = false;
        Reported(work, "Anteprima " + title + "...", owner, [&](itfProgress& progress) {
            report.Paginate(ReportDocument::DefaultPageLayout(), &progress);
            laidOut = true;
        });
        if (!laidOut) return;
        // Printing lays the report out for the printer's page: the preview's is laid out again.
        frmReportPreview preview(
            report,
            [&report, owner, &work] {
                if (Print(report, owner, work))
                    report.Paginate(ReportDocument::DefaultPageLayout());
            },
            owner);
        Prompter().Exec(preview);
    } else {
        const QString path =
            Prompter().SaveFileName(owner, "Esporta stampa", title + ".pdf", "PDF (*.pdf)");
        if (path.isEmpty() || !ConfirmReplace(owner, path)) return;
        Reported(work, "Esportazione " + title + "...", owner,
                 [&](itfProgress& progress) { report.ExportPdf(path, &progress); });
    }
}

} // namespace

bool clsReportRunner::HasLayout(const QString& table, const QString& title) {
    const ReportChoice choice = ChooseReportLayout(table, title);
    return choice.Layout || choice.Group;
}

void clsReportRunner::Run(std::shared_ptr<DbmsDataSource> ds, int action, const QString& title,
                          QWidget* owner, itfWorkWindow& work) {
    // The layout lives for this request only.
    const ReportChoice choice = ChooseReportLayout(ds->TableDef().Name, title);
    if (choice.Layout) {
        ReportRenderer report(*choice.Layout, *ds);
        ::Run(report, action, owner, work);
    } else if (choice.Group) {
        ReportGroupRenderer report(*choice.Group, *ds,
                                   m_settings.ReadSetting("Configuration", "AgencyName"),
                                   m_settings.ReadSetting("Configuration", "AgencyWebAddress"));
        ::Run(report, action, owner, work);
    }
}
