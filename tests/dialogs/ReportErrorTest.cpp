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

namespace {

const QString kDetails = "\r\rVisualizzare dettagli ?";

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QPushButton* Button(QWidget& window, const char* name) {
    return window.findChild<QPushButton*>(name);
}

} // namespace

class ReportErrorTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QList<QUrl> m_opened;
    clsSettings m_settings;

    QString HomeFile(const QString& name) const { return m_home.filePath(name); }

    // A details window holding a message that needs the line-break rule.
    void Fill(frmShowException& window) { window.SetException("124 (8004007C)", "Riga 1\rRiga 2"); }

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

    void theBoxAsksWhetherToShowDetails() {
        ScriptedPrompter prompter;
        prompter.Answer(PromptAnswer::No);
        ReportError(m_settings, "Inizializzazione database fallita: \r\rdisco pieno",
                    DbmsError(60, "disco pieno"));
        const PromptMessage& asked = prompter.LastMessage();
        QCOMPARE(asked.Text, "Inizializzazione database fallita: \r\rdisco pieno ..." + kDetails);
        QCOMPARE(asked.Icon, PromptIcon::Critical);
        QCOMPARE(asked.Buttons, PromptButtons::YesNo);
        QCOMPARE(asked.Default, PromptAnswer::No);
        QCOMPARE(asked.Caption, QString("Tessarin"));
        QCOMPARE(prompter.History().size(), size_t(1)); // No: no details window
        QVERIFY(prompter.Failures().isEmpty());
    }

    void engineErrors124And32755ShowTheEngineText() {
        ScriptedPrompter prompter;
        prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::No).Answer(PromptAnswer::No);
        ReportError(m_settings, "Impossibile importare i dati", DbmsError(124, "lock"));
        ReportError(m_settings, "Impossibile importare i dati", DbmsError::ObjectErrorBase + 32755,
                    "lock");
        ReportError(m_settings, "Impossibile importare i dati", 124, "platform error 124");
        QCOMPARE(prompter.Messages(),
                 (QStringList{kEngineMessage124 + kDetails, kEngineMessage124 + kDetails,
                              "Impossibile importare i dati ..." + kDetails}));
    }

    void longTextIsCutButTheDetailsHoldTheWholeDescription() {
        const QString text = QString(250, 'a') + QString(50, 'b');
        const QString description = QString(400, 'd') + "\rfine";
        ScriptedPrompter prompter;
        QString code, shown;
        prompter.Answer(PromptAnswer::Yes).Dialog([&](QDialog& window) {
            code = window.findChild<QLabel*>("lblCode")->text();
            shown = window.findChild<QPlainTextEdit*>("txtMsg")->toPlainText();
            return int(QDialog::Rejected);
        });
        ReportError(m_settings, text, DbmsError(30, description));
        QCOMPARE(prompter.Messages().front(), QString(200, 'a') + " ..." + kDetails);
        QCOMPARE(prompter.History().back().DialogName, QString("frmShowException"));
        QCOMPARE(code, QString("30 (8004001E)"));
        QCOMPARE(shown, QString(400, 'd') + "\nfine");
        QVERIFY(prompter.Failures().isEmpty());
    }

    void emptyTextShowsTheDescriptionCutTheSameWay() {
        ScriptedPrompter prompter;
        prompter.Answer(PromptAnswer::No).Answer(PromptAnswer::No);
        ReportError(m_settings, "", std::runtime_error(std::string(210, 'x')));
        ReportError(m_settings, "", std::runtime_error("breve"));
        QCOMPARE(prompter.Messages(),
                 (QStringList{QString(200, 'x') + " ..." + kDetails, "breve ..." + kDetails}));
    }

    void cutNeverSplitsACharacter() {
        ScriptedPrompter prompter;
        prompter.Answer(PromptAnswer::No);
        ReportError(m_settings, QString(199, 'a') + QString::fromUtf8("\xF0\x9F\x98\x80") + "zzz",
                    1, "x");
        QCOMPARE(prompter.Messages().front(), QString(199, 'a') + " ..." + kDetails);
    }

    void otherExceptionsAreInternalErrors() {
        ScriptedPrompter prompter;
        QString code;
        prompter.Answer(PromptAnswer::Yes).Dialog([&](QDialog& window) {
            code = window.findChild<QLabel*>("lblCode")->text();
            return int(QDialog::Rejected);
        });
        ReportError(m_settings, "Errore", std::logic_error("bad"));
        QCOMPARE(code, QString("51 (33)"));
    }

    void bareCarriageReturnsBecomeLines() {
        frmShowException window(m_settings);
        auto* text = window.findChild<QPlainTextEdit*>("txtMsg");
        window.SetException("1 (1)", "uno\rdue\rtre");
        QCOMPARE(text->toPlainText(), QString("uno\ndue\ntre"));
        window.SetException("1 (1)", "uno\r\ndue\r\ntre");
        QCOMPARE(text->toPlainText(), QString("uno\ndue\ntre"));
    }

    void saveWritesOneErrorLine() {
        const QString path = HomeFile("LastError.txt");
        QFile::remove(path);
        ScriptedPrompter prompter;
        prompter.File(path);
        frmShowException window(m_settings);
        Fill(window);
        QTest::mouseClick(Button(window, "cmdSave"), Qt::LeftButton);
        QCOMPARE(ReadAll(path), QByteArray("Error: 124 (8004007C)Riga 1\r\nRiga 2\r\n"));
        QCOMPARE(prompter.Messages(), QStringList{}); // a new file asks nothing
        QVERIFY(prompter.Failures().isEmpty());
    }

    void savingOverAnExistingFileAsksFirst() {
        const QString path = HomeFile("esistente.txt");
        WriteAll(path, "vecchio");
        ScriptedPrompter prompter;
        prompter.File(path).Answer(PromptAnswer::No).File(path).Answer(PromptAnswer::Yes);
        frmShowException window(m_settings);
        Fill(window);

        QTest::mouseClick(Button(window, "cmdSave"), Qt::LeftButton);
        const PromptMessage& asked = prompter.LastMessage();
        QCOMPARE(asked.Text, QString::fromUtf8("Il file esiste già...\r\rVuoi sostituirlo ?"));
        QCOMPARE(asked.Icon, PromptIcon::Exclamation);
        QCOMPARE(asked.Buttons, PromptButtons::YesNo);
        QCOMPARE(asked.Default, PromptAnswer::No);
        QCOMPARE(asked.Caption, QString("ATTENZIONE"));
        QCOMPARE(ReadAll(path), QByteArray("vecchio"));

        QTest::mouseClick(Button(window, "cmdSave"), Qt::LeftButton);
        QCOMPARE(ReadAll(path), QByteArray("Error: 124 (8004007C)Riga 1\r\nRiga 2\r\n"));
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

    void aFailedSaveIsToldAndTheWindowStays() {
        ScriptedPrompter prompter;
        prompter.File(HomeFile("manca/LastError.txt")).Answer(PromptAnswer::Ok);
        frmShowException window(m_settings);
        Fill(window);
        window.show();
        QTest::mouseClick(Button(window, "cmdSave"), Qt::LeftButton);
        QVERIFY(prompter.LastMessage().Text.startsWith("Impossibile scrivere il file "));
        QVERIFY(window.isVisible());
        QVERIFY(prompter.Failures().isEmpty());
    }

    void browserOpensTheEscapedErrorPage() {
        ScriptedPrompter prompter;
        frmShowException window(m_settings);
        window.SetException("21 (80040015)", "Campo <b>Nome</b> & \"altro\"\rsconosciuto");
        QTest::mouseClick(Button(window, "cmdBrowser"), Qt::LeftButton);
        const QString path = HomeFile("Error.htm");
        const QString page = QString::fromUtf8(ReadAll(path));
        QVERIFY(page.contains("Campo &lt;b&gt;Nome&lt;/b&gt; &amp; &quot;altro&quot;\r\n"
                              "sconosciuto\r\n"));
        QVERIFY(!page.contains("<b>"));
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(path)});
    }

    void supportLinkEncodesBlanksAndLineBreaks() {
        QCOMPARE(
            SupportMailLink("help@example.it", "60 (8004003C)", QString::fromUtf8("Già (x)\r\ny")),
            QString::fromUtf8("mailto:help@example.it?subject=SUPPORT%20REQUEST&body=Error:%2060%20"
                              "(8004003C)Già%20(x)%0d%0ay"));
        // What would end the body or add fields stays inside it.
        QCOMPARE(SupportMailLink("a@b.it", "1 (1)", "x&cc=c@d.it#50%"),
                 QString("mailto:a@b.it?subject=SUPPORT%20REQUEST&body=Error:%201%20(1)"
                         "x%26cc=c@d.it%2350%25"));
    }

    void supportOpensTheMailLink() {
        m_settings.SupportEMail = "assistenza@example.it";
        ScriptedPrompter prompter;
        frmShowException window(m_settings);
        window.SetException("124 (8004007C)", "Riga 1\rRiga & 2");
        QTest::mouseClick(Button(window, "cmdSupport"), Qt::LeftButton);
        QCOMPARE(m_opened.size(), 1);
        const QUrl& link = m_opened.front();
        QCOMPARE(link.scheme(), QString("mailto"));
        QCOMPARE(link.path(), QString("assistenza@example.it"));
        const QUrlQuery query(link);
        QCOMPARE(query.queryItemValue("subject", QUrl::FullyDecoded), QString("SUPPORT REQUEST"));
        QCOMPARE(query.queryItemValue("body", QUrl::FullyDecoded),
                 QString("Error: 124 (8004007C)Riga 1\r\nRiga & 2"));
        QVERIFY(prompter.History().empty());
    }
};

QTEST_MAIN(ReportErrorTest)
#include "ReportErrorTest.moc"
