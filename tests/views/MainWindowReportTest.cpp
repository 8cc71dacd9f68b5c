// Print, preview, the web browser and the data export as the main window runs them: the
// layouts when one fits, else the question and the HTML page in the program's folder.
#include "../maintenance/ScriptedWork.h"
#include "MainWindowFixture.h"
#include "frmReportPreview.h"
#include "itfReportRunner.h"

#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QToolButton>
#include <QUrl>

namespace {

// Records what the desktop was asked to open.
class Opener : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

// Layouts for the customers' list only; records what it ran.
struct Runner : itfReportRunner {
    bool HasLayout(const QString& table, const QString& title) override {
        return table == "Clienti" && title == "Clienti";
    }
    void Run(std::shared_ptr<DbmsDataSource>, int action, const QString& title, QWidget*,
             itfWorkWindow&) override {
        runs << QString::number(action) + ":" + title;
    }
    QStringList runs;
};

const PromptMessage NoLayout{"Non sono disponibili Report personalizzati per questi dati.\r\r"
                             "Visualizzare/Stampare da Internet Browser ?",
                             "Tessarin", PromptIcon::Question, PromptButtons::YesNo,
                             PromptAnswer::No};
const auto Accept = [](QDialog&) { return int(QDialog::Accepted); };

class MainWindowReportTest : public MainWindowTest {
protected:
    MainWindowReportTest() { QDesktopServices::setUrlHandler("file", &opener, "Open"); }
    ~MainWindowReportTest() override { QDesktopServices::unsetUrlHandler("file"); }
    // The window shown on the customers, its work reported to `work`.
    frmMain& StartOnCustomers() {
        StartShown();
        Show("Clienti");
        auto scripted = std::make_unique<ScriptedWork>();
        work = scripted.get();
        main->Reports().SetWorkWindow(std::move(scripted));
        return *main;
    }
    QString Page() {
        QFile file(clsReportCommands::HtmlPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    Opener opener;
    ScriptedWork* work = nullptr;
};

TEST_F(MainWindowReportTest, ALayoutRunsWhenOneFitsElseTheBrowserIsOffered) {
    frmMain& window = StartOnCustomers();
    Runner runner;
    window.Reports().SetRunner(&runner);
    window.Menu("cmdPreview")->trigger();
    window.Menu("mnuPrintExport")->trigger();
    EXPECT_EQ(runner.runs, QStringList({"1:Clienti", "2:Clienti"}));

    prompter.Answer(PromptAnswer::No);
    window.OnReportRequest(window.CurrentDataSource(), 0, "Situazione Cliente");
    EXPECT_EQ(prompter.LastMessage(), NoLayout);
    EXPECT_TRUE(Page().isEmpty());
    // Yes: the page of the same rows, opened by the desktop.
    window.Reports().SetRunner(nullptr);
    prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::No);
    window.Menu("mnuPrint")->trigger();
    EXPECT_EQ(prompter.Messages().value(prompter.Messages().size() - 2), NoLayout.Text);
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl::fromLocalFile(clsReportCommands::HtmlPath())});
    EXPECT_EQ(runner.runs.size(), 2);
}

TEST_F(MainWindowReportTest, TheWebBrowserPageIsEscapedReplacedEachTimeAndNeverLeftHalf) {
    frmMain& window = StartOnCustomers();
    AddCustomer("C1", "<script>");
    window.RefreshDetailView();
    const QString path = clsReportCommands::HtmlPath();
    QDir().mkpath(QFileInfo(path).path());
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("vecchia") == 7);
    old.close();
    // The field sequence declined: nothing written, nothing shown.
    prompter.Answer(PromptAnswer::Yes).Dialog(Reject);
    window.Menu("mnuViewWebBrowser")->trigger();
    EXPECT_EQ(prompter.LastMessage().Text,
              "Vuoi modificare la sequenza dei campi per il browser ?");
    EXPECT_EQ(Page(), "vecchia");
    EXPECT_TRUE(work->Texts.isEmpty() && opener.opened.isEmpty());

    prompter.Answer(PromptAnswer::Yes).Dialog(Accept);
    window.Menu("mnuViewWebBrowser")->trigger();
    EXPECT_TRUE(Page().contains("&lt;script&gt;"));
    EXPECT_FALSE(Page().contains("<script>"));
    EXPECT_EQ(work->Texts, QStringList{"Esportazione dati in formato HTML..."});
    EXPECT_FALSE(work->Loaded);

    AddCustomer("C2", "Bianchi");
    window.RefreshDetailView();
    prompter.Answer(PromptAnswer::No);
    window.Menu("mnuViewWebBrowser")->trigger();
    EXPECT_TRUE(Page().contains("Bianchi"));
    EXPECT_EQ(opener.opened.size(), 2);
    EXPECT_EQ(QDir(QFileInfo(path).path()).entryList({"*TableData*"}, QDir::Files),
              QStringList{"TableData.htm"});

    // A program folder that cannot be written says so, naming the file.
    QFile blocker(m_dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    qputenv("TESSARIN_HOME", blocker.fileName().toUtf8() + "/home");
    prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::Ok);
    window.Menu("mnuViewWebBrowser")->trigger();
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Critical);
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith(
        "Esportazione dati in formato HTML non riuscita.\r\r"));
    EXPECT_TRUE(prompter.LastMessage().Text.contains("TableData.htm"));
    EXPECT_FALSE(work->Loaded);
    EXPECT_EQ(opener.opened.size(), 2);
}

TEST_F(MainWindowReportTest, CommandsWithoutDataBeep) {
    frmMain& window = Start(); // not shown: no grid on screen for the browser
    Show("Clienti");
    window.Menu("mnuViewWebBrowser")->trigger();
    prompter.File(""); // the data export asks for its file
    window.ToolButton("Save")->click();
    EXPECT_EQ(prompter.History().back().DialogName, "Esporta dati");
    Show(12); // a group: no data source
    for (int action : {0, 1, 2})
        window.Reports().Print(action);
    window.Reports().Save();
    EXPECT_EQ(prompter.Beeps(), 5);
    EXPECT_TRUE(prompter.Messages().isEmpty());
}

TEST_F(MainWindowReportTest, TheProgramsOwnLayoutsPreviewPrintAndWriteTheList) {
    frmMain& window = StartOnCustomers();
    for (int i = 0; i < 70; ++i) // two pages
        AddCustomer(QString("C%1").arg(i), "Rossi");
    window.RefreshDetailView();
    // The preview shows one page at a time; its print button opens the print dialog.
    QString title, pages;
    QSize first;
    QStringList dialogs;
    prompter.Dialog([&](QDialog& dialog) {
        auto& preview = dynamic_cast<frmReportPreview&>(dialog);
        title = preview.windowTitle();
        first = preview.findChild<QLabel*>("imgPage")->pixmap().size();
        preview.ShowPage(5);
        pages = QString::number(preview.CurrentPage());
        prompter.Dialog([&](QDialog& print) {
            dialogs << print.metaObject()->className();
            return int(QDialog::Rejected);
        });
        preview.findChild<QToolButton*>("cmdPrint")->click();
        return int(QDialog::Rejected);
    });
    window.Menu("cmdPreview")->trigger();
    EXPECT_EQ(title, "Anteprima di stampa - Clienti");
    EXPECT_FALSE(first.isEmpty());
    EXPECT_EQ(pages, "2"); // kept within the report
    EXPECT_EQ(dialogs, QStringList{"QPrintDialog"});
    EXPECT_EQ(work->Texts, QStringList{"Anteprima Clienti..."});

    const QString pdf = m_dir.filePath("clienti.pdf");
    prompter.File(pdf);
    window.Menu("mnuPrintExport")->trigger();
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    text.waitForFinished();
    const QString shown = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(shown.contains("Numero dei clienti 70")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("Pag. 2 / 2")) << shown.toStdString();
}

} // namespace

#include "MainWindowReportTest.moc"
