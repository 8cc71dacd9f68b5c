// Opening the archive at the first activation, the placement, the splitter and the engine's
// notifications.
#include "MainWindowFixture.h"

#include "InitDatabase.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFrame>
#include <QMouseEvent>
#include <QScreen>
#include <QTableView>
#include <QTreeWidget>

namespace {

// What the store holds now, as the next start reads it.
double Stored(const QString& key) {
    return clsSettings().ReadSetting("Settings", key).toDouble();
}

void Mouse(QWidget* target, QEvent::Type type, int x) {
    const QPointF local(x, 5);
    QMouseEvent event(type, local, target->mapToGlobal(local), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

TEST_F(MainWindowTest, FirstStartAsksForTheOptionsAndCreatesTheArchive) {
    frmMain& window = Start();
    ASSERT_EQ(prompter.History().size(), 1u);
    EXPECT_EQ(prompter.History()[0].DialogName, "frmOptions");
    ASSERT_TRUE(QFile::exists(ArchivePath()));
    EXPECT_TRUE(session.IsOpen());
    // The default rows of the definition are there.
    EXPECT_GT(Count("TipiPagamento"), 0);
    EXPECT_GT(Count("TabellaPunti"), 0);
    EXPECT_EQ(window.tvTreeView->topLevelItemCount(), 4);
    EXPECT_EQ(window.SelectedNodeIndex(), 1);

    // A changed working folder gets its archive without asking.
    settings.RootDir = m_dir.filePath("elsewhere");
    window.ReleaseDatabase();
    EXPECT_FALSE(session.Database());
    window.Activate();
    EXPECT_EQ(prompter.History().size(), 1u);
    EXPECT_TRUE(QFile::exists(m_dir.filePath("elsewhere/Tessarin.mdb")));
    EXPECT_TRUE(session.IsOpen());
}

TEST_F(MainWindowTest, FirstStartLeftWithoutConfirmingEndsTheProgram) {
    prompter.Dialog(Reject);
    EXPECT_FALSE(modGlobal::InitDatabase(session, settings, false, nullptr, nullptr, nullptr));
    EXPECT_FALSE(QFile::exists(ArchivePath()));
    EXPECT_FALSE(session.Database());
}

TEST_F(MainWindowTest, PlacementDefaultsAndMaximisedClose) {
    frmMain& window = Start();
    // Nothing stored: most of the screen, so that the tree and a grid both show.
    const QRect screen = window.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(window.geometry()));
    EXPECT_GE(window.width(), screen.width() * 2 / 3);
    EXPECT_GE(window.height(), screen.height() * 2 / 3);
    EXPECT_EQ(window.SplitterPosition(), 3500);
    EXPECT_EQ(window.windowState(), Qt::WindowNoState);

    window.show();
    window.setGeometry(120, 90, 700, 500);
    QApplication::processEvents();
    window.showMaximized();
    QApplication::processEvents();
    window.close();
    EXPECT_EQ(Stored("MainState"), 2);
    EXPECT_EQ(Stored("MainLeft"), 120 * 15);
    EXPECT_EQ(Stored("MainWidth"), 700 * 15);
    EXPECT_EQ(Stored("MainHeight"), 500 * 15);
    EXPECT_EQ(Stored("MainSplit"), 3500);
}

TEST_F(MainWindowTest, TheWindowKeepsItsMinimumSize) {
    // A stored placement smaller than the minimum, then a resize asking for less.
    settings.WriteSetting("Settings", "MainWidth", "300");
    settings.WriteSetting("Settings", "MainHeight", "300");
    frmMain& window = Start();
    window.show();
    for (int attempt = 0; attempt < 2; ++attempt) {
        // The narrowest tree (1500 twips) with a grid beside it, and 3000 twips high.
        EXPECT_GE(window.width(), 300);
        EXPECT_GE(window.height(), 200);
        EXPECT_GT(window.dgView->geometry().left(), window.tvTreeView->geometry().right());
        window.resize(40, 40);
        QApplication::processEvents();
    }
}

TEST_F(MainWindowTest, SplitterStaysWithinItsLimits) {
    frmMain& window = Start();
    window.show();
    window.resize(900, 600);
    QApplication::processEvents();
    QWidget* splitter = window.imgSplitter;

    // Far left: the bar stops at 500 twips, and the tree is then laid out at 1500.
    Mouse(splitter, QEvent::MouseButtonPress, 1);
    Mouse(splitter, QEvent::MouseMove, -splitter->x() - 50);
    EXPECT_EQ(window.picSplitter->x(), 500 / 15);
    Mouse(splitter, QEvent::MouseButtonRelease, 0);
    EXPECT_EQ(window.SplitterPosition(), 1500);
    EXPECT_EQ(window.tvTreeView->width(), 100);

    // Far right: the window width less 500 twips.
    Mouse(splitter, QEvent::MouseButtonPress, 1);
    Mouse(splitter, QEvent::MouseMove, 5000);
    const int client = window.centralWidget()->width();
    EXPECT_EQ(window.picSplitter->x(), (client * 15 - 500) / 15);
    // The bar stands on whole pixels; the position is kept in twips.
    Mouse(splitter, QEvent::MouseButtonRelease, 0);
    EXPECT_NEAR(window.SplitterPosition(), client * 15 - 500, 15);
    EXPECT_FALSE(window.picSplitter->isVisible());
}

TEST_F(MainWindowTest, EngineQuestionsKeepTheIncomingCancelFlagAndEventsGoToTheStatusLine) {
    frmMain& window = Start();
    for (const bool cancel : {true, false}) {
        bool flag = cancel;
        prompter.Answer(cancel ? PromptAnswer::Cancel : PromptAnswer::Ok);
        window.OnQueryMessage("engine", cancel ? 3 : 1, "Continuare?", flag);
        EXPECT_EQ(flag, cancel);
        EXPECT_EQ(prompter.LastMessage().Default, cancel ? PromptAnswer::Cancel : PromptAnswer::Ok);
        EXPECT_EQ(prompter.LastMessage().Icon,
                  cancel ? PromptIcon::Exclamation : PromptIcon::Question);
        EXPECT_EQ(prompter.LastMessage().Buttons, PromptButtons::OkCancel);
    }
    window.OnEvent(1, "engine", "Clienti");
    EXPECT_TRUE(window.StatusMsg().endsWith(" <Clienti>...")) << window.StatusMsg().toStdString();
    window.OnEvent(1, "engine", "");
    EXPECT_FALSE(window.StatusMsg().contains('<'));
}
