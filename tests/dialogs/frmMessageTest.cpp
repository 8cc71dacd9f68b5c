// The message and progress window: the counter, the stop question, and the owner it disables.
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

    void counterShowsValueOverMaximumUpTo9999ThenPercent() {
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
        const PromptMessage& asked = prompter.LastMessage();
        QCOMPARE(asked.Text, QString("Confermi l'interruzione ?"));
        QCOMPARE(asked.Icon, PromptIcon::Question);
        QCOMPARE(asked.Buttons, PromptButtons::YesNo);
        QCOMPARE(asked.Caption, QString("Tessarin"));
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
        QVERIFY(Window().isVisible());
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
};

QTEST_MAIN(frmMessageTest)
#include "frmMessageTest.moc"
