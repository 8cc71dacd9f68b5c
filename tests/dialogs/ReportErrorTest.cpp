// The error report: the short box, the details window, and what the details window saves,
// opens in the browser and mails to support.
#include "ReportError.h"
#include "DbmsTypes.h"
#include "ScriptedPrompter.h"
#include "clsSettings.h"
#include "frmShowException.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

#include <functional>

namespace {

const QString kDetails = "\r\rVisualizzare dettagli ?";
const QByteArray kSaved = "Error: 124 (8004007C)Riga 1\r\nRiga 2\r\n";

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class ReportErrorTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QList<QUrl> m_opened;
    clsSettings m_settings;
    QString HomeFile(const QString& name) const { return m_home.filePath(name); }
    // A details window holding a message that needs the line-break rule, and a click on one
    // of its buttons.
    void Fill(frmShowException& window) { window.SetException("124 (8004007C)", "Riga 1\rRiga 2"); }
    static void Click(QWidget& window, const char* button) {
        QTest::mouseClick(window.findChild<QPushButton*>(button), Qt::LeftButton);
    }

public slots:
    void OpenUrl(const QUrl& url) { m_opened << url; }

private slots:
    void initTestCase() {
        QVERIFY(m_home.isValid());
        qputenv("TESSARIN_HOME", m_home.path().toUtf8());
        QDesktopServices::setUrlHandler("file", this, "OpenUrl");
        QDesktopServices::setUrlHandler("mailto", this, "OpenUrl");
    }
    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler("file");
        QDesktopServices::unsetUrlHandler("mailto");
    }
    void init() { m_opened.clear(); }

    void codeTextCountsFromTheObjectErrorBase() {
        QCOMPARE(ErrorCodeText(DbmsError(124, "x").Number()), QString("124 (8004007C)"));
        QCOMPARE(ErrorCodeText(DbmsError::ObjectErrorBase + 60), QString("60 (8004003C)"));
        // The same number as a signed 32-bit value, as the platform reports it.
        QCOMPARE(ErrorCodeText(-2147221504 + 60), QString("60 (8004003C)"));
        // Errors of the platform itself keep their own number.
        QCOMPARE(ErrorCodeText(53), QString("53 (35)"));
        QCOMPARE(ErrorCodeText(0), QString("0 (0)"));
        QCOMPARE(ErrorCodeText(0x7FFFFFFF), QString("2147483647 (7FFFFFFF)"));
    }

    void theBoxShowsTheCallersTextOrTheDescriptionCutToTwoHundred() {
        const QString import = "Impossibile importare i dati";
        const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
        const struct {
            std::function<void()> report;
            QString shown;
        } cases[] = {
            {[&] {
                 ReportError(m_settings, "Inizializzazione database fallita: \r\rdisco pieno",
                             DbmsError(60, "disco pieno"));
             },
             "Inizializzazione database fallita: \r\rdisco pieno ..."},
            // The engine's 124 and 32755 show the engine's text; the platform's 124 does not.
            {[&] { ReportError(m_settings, import, DbmsError(124, "lock")); }, kEngineMessage124},
            {[&] { ReportError(m_settings, import, DbmsError::ObjectErrorBase + 32755, "x"); },
             kEngineMessage124},
            {[&] { ReportError(m_settings, import, 124, "platform error 124"); }, import + " ..."},
            {[&] { ReportError(m_settings, QString(250, 'a') + "b", 1, "x"); },
             QString(200, 'a') + " ..."},
            {[&] { ReportError(m_settings, QString(199, 'a') + smile + "zzz", 1, "x"); },
             QString(199, 'a') + " ..."}, // never half a character
            {[&] { ReportError(m_settings, "", std::runtime_error(std::string(210, 'x'))); },
             QString(200, 'x') + " ..."},
            {[&] { ReportError(m_settings, "", std::runtime_error("breve")); }, "breve ..."},
        };
        for (const auto& c : cases) {
            ScriptedPrompter prompter;
            prompter.Answer(PromptAnswer::No);
            c.report();
            QCOMPARE(prompter.Messages(), QStringList{c.shown + kDetails});
            const PromptMessage& asked = prompter.LastMessage();
            QCOMPARE(asked.Icon, PromptIcon::Critical);
            QCOMPARE(asked.Buttons, PromptButtons::YesNo);
            QCOMPARE(asked.Default, PromptAnswer::No);
            QCOMPARE(asked.Caption, QString("Tessarin"));
            QCOMPARE(prompter.History().size(), size_t(1)); // No: no details window
        }
    }

    void yesShowsTheCodeAndTheWholeDescriptionInLines() {
        const QString description = QString(400, 'd') + "\rfine";
        const struct {
            std::function<void()> report;
            QString code, shown;
        } cases[] = {
            {[&] { ReportError(m_settings, "Errore", DbmsError(30, description)); },
             "30 (8004001E)", QString(400, 'd') + "\nfine"},
            // Anything that is not the engine's is an internal error.
            {[&] { ReportError(m_settings, "Errore", std::logic_error("bad")); }, "51 (33)", "bad"},
        };
        for (const auto& c : cases) {
            ScriptedPrompter prompter;
            QString code, shown;
            prompter.Answer(PromptAnswer::Yes).Dialog([&](QDialog& window) {
                code = window.findChild<QLabel*>("lblCode")->text();
                shown = window.findChild<QPlainTextEdit*>("txtMsg")->toPlainText();
                return int(QDialog::Rejected);
            });
            c.report();
            QCOMPARE(prompter.History().back().DialogName, QString("frmShowException"));
            QCOMPARE(code, c.code);
            QVERIFY2(shown.endsWith(c.shown), qPrintable(shown));
            QVERIFY(prompter.Failures().isEmpty());
        }
        frmShowException window(m_settings);
        window.SetException("1 (1)", "uno\r\ndue\r\ntre");
        QCOMPARE(window.findChild<QPlainTextEdit*>("txtMsg")->toPlainText(),
                 QString("uno\ndue\ntre"));
    }

    void saveWritesOneErrorLineAskingBeforeReplacingAFile() {
        const QString path = HomeFile("LastError.txt");
        ScriptedPrompter prompter;
        prompter.File(path)
            .File(path)
            .Answer(PromptAnswer::No)
            .File(path)
            .Answer(PromptAnswer::Yes)
            .File(HomeFile("manca/LastError.txt"))
            .Answer(PromptAnswer::Ok);
        frmShowException window(m_settings);
        Fill(window);
        window.show();
        Click(window, "cmdSave");
        QCOMPARE(ReadAll(path), kSaved);
        QVERIFY(prompter.Messages().isEmpty()); // a new file asks nothing
        QFile::remove(path);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("vecchio") == 7);
        old.close();
        Click(window, "cmdSave");
        const PromptMessage& asked = prompter.LastMessage();
        QCOMPARE(asked.Text, QString::fromUtf8("Il file esiste già...\r\rVuoi sostituirlo ?"));
        QCOMPARE(asked.Icon, PromptIcon::Exclamation);
        QCOMPARE(asked.Buttons, PromptButtons::YesNo);
        QCOMPARE(asked.Default, PromptAnswer::No);
        QCOMPARE(asked.Caption, QString("ATTENZIONE"));
        QCOMPARE(ReadAll(path), QByteArray("vecchio"));
        Click(window, "cmdSave");
        QCOMPARE(ReadAll(path), kSaved);
        // A failed save is told and the window stays.
        Click(window, "cmdSave");
        QVERIFY(prompter.LastMessage().Text.startsWith("Impossibile scrivere il file "));
        QVERIFY(window.isVisible());
        QVERIFY(prompter.Failures().isEmpty());
    }

    void theFileChooserLeavesTheReplaceQuestionToTheWindow() {
        // The Qt prompter's chooser: asking there too would ask twice.
        bool confirms = true;
        QTimer::singleShot(0, [&confirms] {
            auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(chooser);
            confirms = !chooser->testOption(QFileDialog::DontConfirmOverwrite);
            chooser->reject();
        });
        QCOMPARE(Prompter().SaveFileName(nullptr, "Salva con nome", HomeFile("LastError.txt"),
                                         "Testo (*.txt)"),
                 QString());
        QVERIFY(!confirms);
    }

    void browserAndSupportOpenThePageAndTheMailLinkEncoded() {
        QCOMPARE(
            SupportMailLink("help@example.it", "60 (8004003C)", QString::fromUtf8("Già (x)\r\ny")),
            QString::fromUtf8("mailto:help@example.it?subject=SUPPORT%20REQUEST&body=Error:%2060%20"
                              "(8004003C)Già%20(x)%0d%0ay"));
        // What would end the body or add fields stays inside it.
        QCOMPARE(SupportMailLink("a@b.it", "1 (1)", "x&cc=c@d.it#50%"),
                 QString("mailto:a@b.it?subject=SUPPORT%20REQUEST&body=Error:%201%20(1)"
                         "x%26cc=c@d.it%2350%25"));
        // The page for the browser escapes the message; the mail carries it as it is.
        m_settings.SupportEMail = "assistenza@example.it";
        ScriptedPrompter prompter;
        frmShowException window(m_settings);
        window.SetException("21 (80040015)", "Campo <b>Nome</b> & \"altro\"\rsconosciuto");
        Click(window, "cmdBrowser");
        const QString path = HomeFile("Error.htm");
        const QString page = QString::fromUtf8(ReadAll(path));
        QVERIFY(page.contains("Campo &lt;b&gt;Nome&lt;/b&gt; &amp; &quot;altro&quot;\r\n"
                              "sconosciuto\r\n"));
        QVERIFY(!page.contains("<b>"));
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(path)});
        Click(window, "cmdSupport");
        QCOMPARE(m_opened.size(), 2);
        const QUrl& link = m_opened.back();
        QCOMPARE(link.scheme(), QString("mailto"));
        QCOMPARE(link.path(), QString("assistenza@example.it"));
        const QUrlQuery query(link);
        QCOMPARE(query.queryItemValue("subject", QUrl::FullyDecoded), QString("SUPPORT REQUEST"));
        QCOMPARE(query.queryItemValue("body", QUrl::FullyDecoded),
                 QString("Error: 21 (80040015)Campo <b>Nome</b> & \"altro\"\r\nsconosciuto"));
        QVERIFY(prompter.History().empty());
    }
};

QTEST_MAIN(ReportErrorTest)
#include "ReportErrorTest.moc"
