#pragma once
// The main window's print, preview and export commands: the report layouts when one fits the
// data, else the rows as an HTML page opened in the web browser; and the data export.

#include <QString>
#include <memory>

class DbmsDataSource;
class QWidget;
class clsMainView;
class frmMain;
class itfReportRunner;
class itfWorkWindow;

class clsReportCommands {
public:
    clsReportCommands(frmMain& window, clsMainView& view);
    ~clsReportCommands();

    // mnuPrint (0), cmdPreview (1), mnuPrintExport (2) on the view, titled by its section.
    void Print(int action);
    // A report of `ds`: its layout, or the offer of the web browser when there is none.
    void Request(std::shared_ptr<DbmsDataSource> ds, int action, const QString& title);
    // mnuViewWebBrowser: the view's rows in the web browser.
    void WebBrowser();
    // The rows of `ds` written to TableData.htm in the program's folder and opened.
    void ExportHtml(std::shared_ptr<DbmsDataSource> ds, QWidget* owner);
    // mnuSave: the engine's data export of the view's rows.
    void Save();

    // The layouts; nullptr (the default) has none. Not owned.
    void SetRunner(itfReportRunner* runner) { m_runner = runner; }
    // Where the export is reported; the message window unless a test hands another one.
    void SetWorkWindow(std::unique_ptr<itfWorkWindow> work);

    static QString HtmlPath();

private:
    frmMain& w;
    clsMainView& m_view;
    itfReportRunner* m_runner = nullptr;
    std::unique_ptr<itfWorkWindow> m_work;
};
