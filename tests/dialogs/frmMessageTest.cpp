#include "frmMessage.h"
#include "ScriptedPrompter.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class frmMessageTest : public QObject {
    Q_OBJECT

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

    void counterShowsValueOverMaximumUpTo9999() {
        Window().StartProgress(9999, false);
        QVERIFY(Window().Progress(5000, false));
        QCOMPARE(Counter(), QString("5000 / 9999"));
        Window().StartProgress(10000, false);
        QVERIFY(Counter().isEmpty());
        Window().Progress(5000, false);
        QCOMPARE(Counter(), QString("50 %"));
        Window().Progress(1234, false);
        QCOMPARE(Counter(), QString("12 %"));
    }

    void zeroMaximumGivesABarOfOneStep() {
        Window().StartProgress(0, false);
        QCOMPARE(Window().MaxProgress(), 1);
        Window().Progress(0, false);
        Window().Progress(0, false); // a step never passes the maximum
        QCOMPARE(Bar()->value(), 1);
        QCOMPARE(Counter(), QString("1 / 1"));
        Window().EndProgress();
        QCOMPARE(Window().MaxProgress(), 0);
    }

    void positionAboveMaximumLeavesTheBarButUpdatesTheCounter() {
        Window().StartProgress(10, false);
        Window().Progress(4, false);
        Control<QLabel>("lblCount")->setText("stale");
        Window().Progress(11, false);
        QCOMPARE(Bar()->value(), 4);
        QCOMPARE(Counter(), QString("4 / 10"));
    }

    void engineReportsThroughTheProgressInterface() {
        ScriptedPrompter prompter;
        itfProgress& sink = Window();
        sink.OnStart("Esportazione", 3);
        QVERIFY(!Stop()->isHidden()); // the engine's work can always be stopped
        bool more = false;
        sink.OnProgress("Esportazione", 2, more);
        QVERIFY(more);
        QCOMPARE(Counter(), QString("2 / 3"));
        sink.OnEnd("Esportazione");
        QCOMPARE(Window().MaxProgress(), 0);
        QVERIFY(prompter.Failures().isEmpty());
    }

    void stopConfirmedTwiceClosesAndTheOperationStops() {
        ScriptedPrompter prompter;
        prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Yes);
        QWidget owner;
        ShowWithProgress(owner, 100);

        QTest::mouseClick(Stop(), Qt::LeftButton);
        const PromptMessage& asked = prompter.LastMessage();
        QCOMPARE(asked.Text, QString("Confermi l'interruzione ?"));
        QCOMPARE(asked.Icon, PromptIcon::Question);
        QCOMPARE(asked.Buttons, PromptButtons::YesNo);
        QCOMPARE(asked.Caption, QString("Tessarin"));
        QVERIFY(Window().Stopped());
        QVERIFY(Window().isVisible());
        QVERIFY(!Window().Progress(5, false));

        QTest::mouseClick(Stop(), Qt::LeftButton);
        QVERIFY(!Window().isVisible());
        QVERIFY(owner.isEnabled());
        // The operation still holds the window and must see the stop at its next report.
        bool more = true;
        Window().OnProgress("", 6, more);
        QVERIFY(!more);
        bool stopped = false;
        Window().OnStopped(stopped);
        QVERIFY(stopped);
        QVERIFY(prompter.Failures().isEmpty());
    }

    void stopAnsweredNoCarriesOn() {
        ScriptedPrompter prompter;
        prompter.Answer(PromptAnswer::No);
        QWidget owner;
        ShowWithProgress(owner, 100);
        QTest::mouseClick(Stop(), Qt::LeftButton);
        QVERIFY(!Window().Stopped());
        QVERIFY(Window().Progress(1, false));
        QVERIFY(Window().isVisible());
        QCOMPARE(prompter.Messages().size(), 1);
    }

    void stopPressedDuringTheWorkIsSeenByProgress() {
        ScriptedPrompter prompter;
        prompter.Answer(PromptAnswer::Yes);
        QWidget owner;
        ShowWithProgress(owner, 100);
        QTimer::singleShot(0, Stop(), &QPushButton::click);
        QVERIFY(!Window().Progress(1, false));
        QCOMPARE(prompter.Messages(), QStringList{"Confermi l'interruzione ?"});
    }

    void newProgressClearsTheStop() {
        ScriptedPrompter prompter;
        prompter.Answer(PromptAnswer::Yes);
        QWidget owner;
        ShowWithProgress(owner, 10);
        QTest::mouseClick(Stop(), Qt::LeftButton);
        QVERIFY(Window().Stopped());
        Window().StartProgress(10, true);
        QVERIFY(!Window().Stopped());
        QVERIFY(Window().Progress(1, false));
    }

    void escapeAsksTheStopQuestion() {
        ScriptedPrompter prompter;
        prompter.Answer(PromptAnswer::Yes).Answer(PromptAnswer::Yes);
        QWidget owner;
        ShowWithProgress(owner, 10);
        QTest::keyClick(&Window(), Qt::Key_Escape);
        QCOMPARE(prompter.Messages(), QStringList{"Confermi l'interruzione ?"});
        QVERIFY(Window().Stopped());
        QVERIFY(Window().isVisible());
        QTest::keyClick(&Window(), Qt::Key_Escape);
        QVERIFY(!Window().isVisible());
        QVERIFY(prompter.Failures().isEmpty());
    }

    void escapeDoesNothingWithoutAStopButton() {
        ScriptedPrompter prompter;
        QWidget owner;
        owner.show();
        Window().ShowMsg("Controlli...", &owner);
        QTest::keyClick(&Window(), Qt::Key_Escape);
        QVERIFY(Window().close() == false); // the title bar's close is refused as well
        QVERIFY(prompter.History().empty());
        QVERIFY(Window().isVisible());
    }

    void ownerIsDisabledWhileShownAndRestoredOnUnload() {
        QWidget owner;
        owner.show();
        Window().ShowMsg("Lettura Clienti...", &owner);
        QCOMPARE(Control<QLabel>("lblMessage")->text(), QString("Lettura Clienti..."));
        QVERIFY(Window().isVisible());
        QVERIFY(!owner.isEnabled());
        // A further message for the same owner keeps it disabled.
        Window().ShowMsg("Lettura Fornitori...", &owner);
        QVERIFY(!owner.isEnabled());
        frmMessage::Unload();
        QVERIFY(owner.isEnabled());
        QVERIFY(!Window().isVisible());
    }

    void aSecondOwnerReleasesTheFirst() {
        QWidget first, second;
        first.show();
        second.show();
        Window().ShowMsg("Uno", &first);
        Window().ShowMsg("Due", &second);
        QVERIFY(first.isEnabled());
        QVERIFY(!second.isEnabled());
        frmMessage::Unload();
        QVERIFY(second.isEnabled());
    }

    void anOwnerDisabledBeforehandStaysDisabled() {
        QWidget owner;
        owner.show();
        owner.setEnabled(false);
        Window().ShowMsg("Attendere...", &owner);
        frmMessage::Unload();
        QVERIFY(!owner.isEnabled());
    }

    void anOwnerDestroyedWhileRememberedIsForgotten() {
        auto* owner = new QWidget;
        owner->show();
        Window().ShowMsg("Attendere...", owner);
        delete owner;
        frmMessage::Unload(); // nothing left to re-enable, and no dangling owner
        QVERIFY(!Window().isVisible());
    }

    void showingAgainWithAFullBarEndsTheProgress() {
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

    void hourglassRunsWhileLoaded() {
        QWidget owner;
        owner.show();
        Window().ShowMsg("Attendere...", &owner);
        auto* timer = Control<QTimer>("tmHourglass");
        QVERIFY(timer->isActive());
        auto* picture = Control<QLabel>("imgHourglass");
        const QImage before = picture->pixmap().toImage();
        QTRY_VERIFY(picture->pixmap().toImage() != before);
        frmMessage::Unload();
        QVERIFY(!timer->isActive());
    }
};

QTEST_MAIN(frmMessageTest)
#include "frmMessageTest.moc"
