// The message and progress window (the counter, the stop question, the owner it disables), the
// error report (the short box, the details window, and what it saves, opens in the browser and
// mails to support), and the Italian texts of the platform's own buttons.
#include "DbmsTypes.h"
#include "ReportError.h"
#include "ScriptedPrompter.h"
#include "clsSettings.h"
#include "frmMessage.h"
#include "frmShowException.h"
#include "modTranslations.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <sstream>

// QtTest's printout of a message that differs.
char* toString(const PromptMessage& m) {
    std::ostringstream out;
    return PrintTo(m, &out), qstrdup(out.str().c_str());
}

namespace {

const QString kDetails = "\r\rVisualizzare dettagli ?";
const QByteArray kSaved = "Error: 124 (8004007C)Riga 1\r\nRiga 2\r\n";

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QList<QUrl> m_opened;
    clsSettings m_settings;
    QString HomeFile(const QString& name) const { return m_home.filePath(name); }
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

    void theBoxShowsTheCallersTextOrTheDescriptionCutYesTheCodeAndAllOfIt() {
        const QString import = "Impossibile importare i dati";
        const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
        const QString description = QString(400, 'd') + "\rfine";
        const struct {
            std::function<void()> report;
            QString shown, code{}, details{}; // with a code: Yes, and the details window shows them
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
            {[&] { ReportError(m_settings, "Errore", DbmsError(30, description)); }, "Errore ...",
             "30 (8004001E)", QString(400, 'd') + "\nfine"},
            // Anything that is not the engine's is an internal error.
            {[&] { ReportError(m_settings, "Errore", std::logic_error("bad")); }, "Errore ...",
             "51 (33)", "bad"},
        };
        for (const auto& c : cases) {
            ScriptedPrompter prompter;
            QString code, shown;
            prompter.Answer(c.code.isEmpty() ? PromptAnswer::No : PromptAnswer::Yes);
            if (!c.code.isEmpty())
                prompter.Dialog([&](QDialog& window) {
                    code = window.findChild<QLabel*>("lblCode")->text();
                    shown = window.findChild<QPlainTextEdit*>("txtMsg")->toPlainText();
                    return int(QDialog::Rejected);
                });
            c.report();
            QCOMPARE(prompter.LastMessage(),
                     (PromptMessage{c.shown + kDetails, "Tessarin", PromptIcon::Critical,
                                    PromptButtons::YesNo, PromptAnswer::No}));
            QCOMPARE(prompter.History().size(), size_t(c.code.isEmpty() ? 1 : 2));
            QCOMPARE(prompter.History().back().DialogName,
                     QString(c.code.isEmpty() ? "" : "frmShowException"));
            QCOMPARE(code, c.code);
            QVERIFY2(shown.endsWith(c.details), qPrintable(shown));
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
        window.SetException("124 (8004007C)", "Riga 1\rRiga 2"); // saved with \r\n line ends
        window.show();
        Click(window, "cmdSave");
        QCOMPARE(ReadAll(path), kSaved);
        QVERIFY(prompter.Messages().isEmpty()); // a new file asks nothing
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly | QIODevice::Truncate) && old.write("vecchio") == 7);
        old.close();
        Click(window, "cmdSave");
        QCOMPARE(prompter.LastMessage(),
                 (PromptMessage{QString::fromUtf8("Il file esiste già...\r\rVuoi sostituirlo ?"),
                                "ATTENZIONE", PromptIcon::Exclamation, PromptButtons::YesNo,
                                PromptAnswer::No}));
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
        QCOMPARE(
            m_opened.mid(1),
            QList<QUrl>{QUrl(SupportMailLink("assistenza@example.it", "21 (80040015)",
                                             "Campo <b>Nome</b> & \"altro\"\r\nsconosciuto"))});
        QVERIFY(prompter.History().empty());
    }

private:
    frmMessage& Window() { return frmMessage::Instance(); }
    template <typename T> T* Control(const char* name) {
        auto* control = Window().findChild<T*>(name);
        if (!control) qFatal("control %s missing", name);
        return control;
    }
    QProgressBar* Bar() { return Control<QProgressBar>("pbNotify"); }
    QString Counter() { return Control<QLabel>("lblCount")->text(); }
    QPushButton* Stop() { return Control<QPushButton>("cmdStop"); }
    // Shows the window over `owner` with a progress of `maximum` and the stop button.
    void ShowWithProgress(QWidget& owner, qint64 maximum) {
        owner.show();
        Window().ShowMsg("Trasferimento dati...", &owner);
        Window().StartProgress(maximum, true);
    }

private slots:
    void cleanup() { frmMessage::Unload(); }

    void counterShowsValueOverMaximumUpTo9999ThenPercentAFullBarEndsWhenShownAgain() {
        const struct {
            qint64 maximum, position;
            QString shown;
        } cases[] = {{9999, 5000, "5000 / 9999"}, {10000, 5000, "50 %"}, {10000, 1234, "12 %"}};
        for (const auto& c : cases) {
            Window().StartProgress(c.maximum, false);
            QVERIFY(Counter().isEmpty());
            QVERIFY(Window().Progress(c.position, false));
            QCOMPARE(Counter(), c.shown);
        }
        // A position above the maximum leaves the bar but updates the counter.
        Window().StartProgress(10, false);
        Window().Progress(4, false);
        Control<QLabel>("lblCount")->setText("stale");
        Window().Progress(11, false);
        QCOMPARE(Bar()->value(), 4);
        QCOMPARE(Counter(), QString("4 / 10"));
        // A zero maximum gives a bar of one step, which a step never passes.
        Window().StartProgress(0, false);
        QCOMPARE(Window().MaxProgress(), 1);
        Window().Progress(0, false);
        Window().Progress(0, false);
        QCOMPARE(Bar()->value(), 1);
        QCOMPARE(Counter(), QString("1 / 1"));
        Window().EndProgress();
        QCOMPARE(Window().MaxProgress(), 0);
        // Showing again with a full bar ends the progress, unless still shown.
        QWidget owner;
        ShowWithProgress(owner, 2);
        Window().Progress(2, false);
        frmMessage::Unload();
        Window().StartProgress(2, false);
        Window().Progress(2, false);
        Window().ShowMsg("Fine", &owner);
        QCOMPARE(Window().MaxProgress(), 0);
        // While still shown, a full bar stays.
        Window().StartProgress(2, false);
        Window().Progress(2, false);
        Window().ShowMsg("Ancora", &owner);
        QCOMPARE(Window().MaxProgress(), 2);
    }

    void stopAnsweredNoCarriesOnConfirmedTwiceClosesAndStops_data() {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("Interrompi") << false;
        QTest::newRow("Esc") << true;
    }
    void stopAnsweredNoCarriesOnConfirmedTwiceClosesAndStops() {
        QFETCH(bool, byKey);
        ScriptedPrompter prompter;
        prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::Yes).Answer(PromptAnswer::Yes);
        QWidget owner;
        ShowWithProgress(owner, 100);
        const auto stop = [&] {
            if (byKey)
                QTest::keyClick(&Window(), Qt::Key_Escape);
            else
                QTest::mouseClick(Stop(), Qt::LeftButton);
        };
        stop();
        QVERIFY(!Window().Stopped());
        QVERIFY(Window().Progress(1, false));
        stop();
        QCOMPARE(prompter.LastMessage(),
                 (PromptMessage{"Confermi l'interruzione ?", "Tessarin", PromptIcon::Question,
                                PromptButtons::YesNo, PromptAnswer::Yes}));
        QVERIFY(Window().Stopped());
        QVERIFY(Window().isVisible());
        QVERIFY(!Window().Progress(5, false));
        stop();
        QVERIFY(!Window().isVisible());
        QVERIFY(owner.isEnabled());
        // The operation still holds the window and must see the stop at its next report.
        bool more = true;
        Window().OnProgress("", 6, more);
        QVERIFY(!more);
        bool stopped = false;
        Window().OnStopped(stopped);
        QVERIFY(stopped);
        QCOMPARE(prompter.Messages().size(), 3);
        QVERIFY(prompter.Failures().isEmpty());
    }

    void aStopDuringTheWorkIsSeenUntilANewProgressAndTheEngineSeesItToo() {
        ScriptedPrompter prompter;
        prompter.Answer(PromptAnswer::Yes);
        QWidget owner;
        ShowWithProgress(owner, 100);
        QTimer::singleShot(0, Stop(), &QPushButton::click);
        QVERIFY(!Window().Progress(1, false));
        QCOMPARE(prompter.Messages(), QStringList{"Confermi l'interruzione ?"});
        Window().StartProgress(10, true);
        QVERIFY(!Window().Stopped());
        QVERIFY(Window().Progress(1, false));
        // The engine reports through the progress interface; its work can always be stopped.
        Window().StartProgress(1, false);
        QVERIFY(Stop()->isHidden());
        itfProgress& sink = Window();
        sink.OnStart("Esportazione", 3);
        QVERIFY(!Stop()->isHidden());
        bool more = false;
        sink.OnProgress("Esportazione", 2, more);
        QVERIFY(more);
        QCOMPARE(Counter(), QString("2 / 3"));
        sink.OnEnd("Esportazione");
        QCOMPARE(Window().MaxProgress(), 0);
        QVERIFY(prompter.Failures().isEmpty());
    }

    void theOwnerIsDisabledWhileShownAndRestoredOnUnloadWithNoWayToCloseIt() {
        ScriptedPrompter prompter;
        QWidget owner, second, disabled;
        owner.show();
        second.show();
        Window().ShowMsg("Lettura Clienti...", &owner);
        QCOMPARE(Control<QLabel>("lblMessage")->text(), QString("Lettura Clienti..."));
        QVERIFY(!owner.isEnabled());
        // Without a stop button Esc does nothing, and the title bar's close is refused.
        QTest::keyClick(&Window(), Qt::Key_Escape);
        QVERIFY(Window().close() == false);
        QVERIFY(prompter.History().empty());
        QVERIFY(Window().isVisible());
        // The hourglass turns while the window is loaded.
        auto* timer = Control<QTimer>("tmHourglass");
        QVERIFY(timer->isActive());
        const QImage before = Control<QLabel>("imgHourglass")->pixmap().toImage();
        QTRY_VERIFY(Control<QLabel>("imgHourglass")->pixmap().toImage() != before);
        // A further message for the same owner keeps it disabled.
        Window().ShowMsg("Lettura Fornitori...", &owner);
        QVERIFY(!owner.isEnabled());
        frmMessage::Unload();
        QVERIFY(owner.isEnabled());
        QVERIFY(!Window().isVisible());
        QVERIFY(!timer->isActive());
        // A second owner releases the first.
        Window().ShowMsg("Uno", &owner);
        Window().ShowMsg("Due", &second);
        QVERIFY(owner.isEnabled());
        QVERIFY(!second.isEnabled());
        frmMessage::Unload();
        QVERIFY(second.isEnabled());
        // An owner disabled beforehand stays disabled.
        disabled.show();
        disabled.setEnabled(false);
        Window().ShowMsg("Attendere...", &disabled);
        frmMessage::Unload();
        QVERIFY(!disabled.isEnabled());
        // An owner destroyed while remembered is forgotten: nothing dangles on unload.
        auto* gone = new QWidget;
        gone->show();
        Window().ShowMsg("Attendere...", gone);
        delete gone;
        frmMessage::Unload();
        QVERIFY(!Window().isVisible());
    }

    void standardButtonsAndLocaleAreItalian() {
        QVERIFY(LoadItalianTranslations(*QCoreApplication::instance()));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString::fromUtf8("&Sì"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Annulla"));
        QMessageBox box(QMessageBox::Question, "Tessarin", "Confermi ?",
                        QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QString::fromUtf8("&Sì"));
        QCOMPARE(box.button(QMessageBox::No)->text(), QString("&No"));
        const QLocale locale;
        QCOMPARE(locale.monthName(3), QString("marzo"));
        QCOMPARE(locale.toString(1500000.0, 'f', 2), QString("1.500.000,00"));
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
