// The main window as it opens and shows its sections: the archive opened at the first
// activation, placement and splitter, the engine's notifications, the tree, the archive let go;
// the barcode reader through a real serial line, a pty pair whose far end the test writes.
#include "MainWindowFixture.h"

#include "DbmsStorage.h"
#include "frmVendite.h"

#include <QAction>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

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

// By their real path.
QStringList OpenFiles() {
    QStringList files;
    const QDir fds("/proc/self/fd");
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System))
        files << QFileInfo(QFileInfo(fds.filePath(fd)).symLinkTarget()).canonicalFilePath();
    return files;
}

void ClickNode(QTreeWidget* tree, QTreeWidgetItem* item) {
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

} // namespace

TEST_F(MainWindowTest, FirstStartAsksForTheOptionsAndCreatesTheArchive) {
    // A stored placement smaller than the minimum is widened.
    settings.WriteSetting("Settings", "MainWidth", "300");
    settings.WriteSetting("Settings", "MainHeight", "300");
    frmMain& window = Start();
    window.show();
    EXPECT_GE(window.width(), 300);
    EXPECT_GE(window.height(), 200);
    ASSERT_EQ(prompter.History().size(), 1u);
    EXPECT_EQ(prompter.History()[0].DialogName, "frmOptions");
    ASSERT_TRUE(QFile::exists(ArchivePath()));
    EXPECT_GT(Count("TipiPagamento") * Count("TabellaPunti"), 0);
    EXPECT_EQ(window.tvTreeView->topLevelItemCount(), 4);
    EXPECT_EQ(window.SelectedNodeIndex(), 1);
    // Left without confirming the options, the first start ends the program.
    settings.RootDir = WorkDir() + "2";
    prompter.Dialog(Reject);
    EXPECT_FALSE(modGlobal::InitDatabase(session, settings, false, nullptr, nullptr, nullptr));
    EXPECT_FALSE(QFile::exists(WorkDir() + "2/Tessarin.mdb"));
    // The engine's questions keep the incoming cancel flag; its events go to the status line.
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

TEST_F(MainWindowTest, PlacementSizeAndSplitter) {
    frmMain& window = Start();
    // Nothing stored: most of the screen, so that the tree and a grid both show.
    const QRect screen = window.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(window.geometry()));
    EXPECT_GE(window.width(), screen.width() * 2 / 3);
    EXPECT_GE(window.height(), screen.height() * 2 / 3);
    EXPECT_EQ(window.SplitterPosition(), 3500);
    EXPECT_EQ(window.windowState(), Qt::WindowNoState);
    window.show();
    // At least the narrowest tree (1500 twips) with a grid beside it, and 3000 twips high.
    window.resize(40, 40);
    QApplication::processEvents();
    EXPECT_GE(window.width(), 300);
    EXPECT_GE(window.height(), 200);
    EXPECT_GT(window.dgView->geometry().left(), window.tvTreeView->geometry().right());
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
    // Far right: the window width less 500 twips; the bar stands on whole pixels, the position
    // is kept in twips.
    Mouse(splitter, QEvent::MouseButtonPress, 1);
    Mouse(splitter, QEvent::MouseMove, 5000);
    const int client = window.centralWidget()->width();
    EXPECT_EQ(window.picSplitter->x(), (client * 15 - 500) / 15);
    Mouse(splitter, QEvent::MouseButtonRelease, 0);
    EXPECT_NEAR(window.SplitterPosition(), client * 15 - 500, 15);
    EXPECT_FALSE(window.picSplitter->isVisible());
    const int split = window.SplitterPosition();
    // Closed maximised: the state and the placement before it are stored.
    window.setGeometry(120, 90, 700, 500);
    QApplication::processEvents();
    window.showMaximized();
    QApplication::processEvents();
    window.close();
    const double stored[] = {Stored("MainState"), Stored("MainLeft"), Stored("MainWidth"),
                             Stored("MainHeight"), Stored("MainSplit")};
    EXPECT_EQ(std::vector(std::begin(stored), std::end(stored)),
              (std::vector<double>{2, 120 * 15, 700 * 15, 500 * 15, double(split)}));
}

TEST_F(MainWindowTest, TheTreeTheGroupNodesAndTheArchiveLetGo) {
    frmMain& window = Start();
    EXPECT_EQ(window.NodeAt(7)->text(0), "Vendite / Premiazioni"); // the table's caption
    EXPECT_EQ(window.NodeAt(8)->parent(), window.NodeAt(7));
    EXPECT_EQ(window.NodeAt(12)->text(0), "Anagrafica");
    EXPECT_EQ(window.NodeAt(20)->text(0), session.Database()->Item("TabellaBonus")->Caption());
    EXPECT_TRUE(window.NodeAt(1)->isExpanded());
    EXPECT_FALSE(window.NodeAt(12)->isExpanded());
    // Rebuilt by position: the selected node stays, none selected goes to the first section.
    for (const int selected : {13, 0}) {
        window.tvTreeView->setCurrentItem(window.NodeAt(selected));
        window.SetTreeViewNodes();
        EXPECT_EQ(window.SelectedNodeIndex(), selected ? selected : 1);
    }
    EXPECT_EQ(window.NodeAt(13)->text(0), "Clienti");
    // A group hides the grid and shows its sections as buttons.
    Show("Lista Operazioni");
    const bool dateShown = window.cmdDateSel->isVisibleTo(&window);
    Show(12);
    EXPECT_EQ(window.CurrentGrid(), nullptr);
    EXPECT_FALSE(window.CurrentDataSource());
    for (const char* name : {"mnuFileNew", "mnuFileDelete", "mnuOrder", "mnuDataSelection"})
        EXPECT_FALSE(window.Menu(name)->isEnabled()) << name;
    EXPECT_FALSE(window.ToolButton("Find")->isEnabled());
    window.mnuFileDelete_Click(); // commands without data beep
    window.mnuFileNew_Click();
    window.mnuFileProperties_Click();
    EXPECT_EQ(prompter.Beeps(), 3);
    EXPECT_TRUE(prompter.Messages().isEmpty());
    EXPECT_EQ(window.cmdDateSel->isVisibleTo(&window), dateShown);
    ASSERT_EQ(window.acmdSectionItem.size(), 4u);
    EXPECT_EQ(window.acmdSectionItem[0]->text(), "VOCI PRINCIPALI PER LA SEZIONE ANAGRAFICA :");
    EXPECT_FALSE(window.acmdSectionItem[0]->isEnabled());
    EXPECT_EQ(window.acmdSectionItem[1]->text(), "Clienti");
    EXPECT_EQ(window.acmdSectionItem[1]->toolTip(),
              "Apre la sezione <Clienti> per la Visualizzazione/Modifica dei dati oppure per la "
              "Stampa...");
    window.acmdSectionItem[1]->click();
    EXPECT_EQ(window.SelectedNodeIndex(), 13);
    ASSERT_TRUE(window.CurrentDataSource());
    EXPECT_EQ(window.CurrentDataSource()->Table()->Name(), "Clienti");
    EXPECT_TRUE(window.Menu("mnuFileDelete")->isEnabled());
    // Once the rows are shown the status line no longer says they are being read.
    EXPECT_EQ(window.StatusMsg(), "Sezioni <Clienti>");
    // Customers have no date: the date selection is hidden whatever the flags say.
    EXPECT_FALSE(window.cmdDateSel->isVisibleTo(&window));
    EXPECT_FALSE(window.Menu("mnuSelection")->isVisible());
    // Views of every kind, then the archive released: the file is let go.
    SaleWithLines("C1", 2);
    const QString archive = QFileInfo(ArchivePath()).canonicalFilePath();
    std::weak_ptr<DbmsStorage> storage = session.Storage();
    // One after the other and again, a summary opened below; 12 is a group, with no grid.
    for (const char* key : {"Clienti", "Resoconto Vendite", "Lista Operazioni", "Resoconto Vendite",
                            "Clienti", "", "ArticoliVenduti"}) {
        *key ? Show(key) : Show(12);
        window.RefreshDetailView();
        if (window.CurrentGrid() == window.dgReportView)
            window.dgReportView->expand(window.dgReportView->model()->index(0, 0));
    }
    ASSERT_TRUE(OpenFiles().contains(archive));
    window.ReleaseDatabase();
    EXPECT_TRUE(storage.expired());
    EXPECT_FALSE(OpenFiles().contains(archive));
}

TEST_F(MainWindowTest, TheKeyboardShowsASectionAsAClickDoes) {
    frmMain& window = StartShown();
    // Stored selections ask on every refresh of their section: each question is one refresh.
    auto set = session.Database()->Item("Fornitori")->CreateSelectionSet();
    set->AddCondition("Descrizione", "x");
    set->Save("Fornitori");
    auto refreshed = [this] { prompter.Dialog(Reject).Answer(PromptAnswer::Yes); };
    auto shown = [&window] { return window.CurrentDataSource()->Table()->Name(); };
    QTreeWidget* tree = window.tvTreeView;
    EXPECT_EQ(window.focusWidget(), tree); // where the keyboard starts
    ClickNode(tree, window.NodeAt(12));
    tree->expandItem(window.NodeAt(12));
    ClickNode(tree, window.NodeAt(13));
    ASSERT_EQ(shown(), "Clienti");
    refreshed();
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(window.SelectedNodeIndex(), 14);
    EXPECT_EQ(window.focusWidget(), tree); // the next key moves on again
    EXPECT_EQ(shown(), "Fornitori");
    EXPECT_EQ(prompter.Pending(), 0u);
    // Back by a key, then a click on the section and one more on it: one refresh each.
    QTest::keyClick(tree, Qt::Key_Up);
    EXPECT_EQ(shown(), "Clienti");
    for (int click = 0; click < 2; ++click) {
        refreshed();
        ClickNode(tree, window.NodeAt(14));
        EXPECT_EQ(prompter.Pending(), 0u);
    }
    EXPECT_EQ(shown(), "Fornitori");
}

namespace {

// A window with a field that registers as the barcode target; it records every text set.
struct TargetWindow {
    QWidget window;
    QLineEdit* field = new QLineEdit(&window);
    QStringList received;
    TargetWindow() {
        (new QVBoxLayout(&window))->addWidget(field);
        QObject::connect(field, &QLineEdit::textChanged,
                         [this](const QString& text) { received << text; });
    }
};

class BarcodeTest : public MainWindowTest {
protected:
    void SetUp() override {
        // A pty pair in raw mode; the test writes into the master as the reader would.
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        ASSERT_EQ(openpty(&m_master, &m_slave, name, &raw, nullptr), 0);
        settings.COMPortNumber = 1;
        settings.COMPortParam = "9600,n,8,1";
        settings.COMPortDevice = QString::fromLocal8Bit(name);
    }
    void TearDown() override {
        settings.COMPortDevice.clear();
        MainWindowTest::TearDown();
        close(m_master);
        close(m_slave);
    }
    void Write(const QByteArray& bytes) {
        ASSERT_EQ(write(m_master, bytes.constData(), size_t(bytes.size())), bytes.size());
    }
    // The main window with the reader on, writing into the target's field.
    frmMain& StartReading() {
        frmMain& window = Start();
        window.SetBarcodeReader(true);
        window.SetBarcodeControl(target.field);
        return window;
    }
    bool Received(qsizetype count) {
        return QTest::qWaitFor([&] { return target.received.size() == count; });
    }
    // What the button and the menu show, and the switch as stored.
    void ExpectReader(frmMain& window, bool on) {
        EXPECT_EQ(window.ToolButton("BarcodeReader")->isChecked(), on);
        EXPECT_EQ(window.Menu("mnuBarcodeReader")->isChecked(), on);
        EXPECT_EQ(settings.ReadSetting("Configuration", "BarcodeReaderEnabled").toLower(),
                  on ? "true" : "false");
    }
    TargetWindow target;
    int m_master = -1, m_slave = -1;
};

} // namespace

TEST_F(BarcodeTest, ACardReadDuringASaleBindsTheCustomer) {
    frmMain& window = Start();
    Open("Clienti")->AddRow({{"Codice", "2900000000018"}, {"Cognome", "Rossi"}, {"Nome", "Ada"}});
    window.SetBarcodeReader(true);
    EXPECT_EQ(window.StatusMsg(), "Lettore codici a barre attivato (COM1 - 9600,n,8,1)");
    ExpectReader(window, true);
    frmVendite sale(session, settings, &window,
                    [&window](QLineEdit* target) { window.SetBarcodeControl(target); });
    Activate(&sale);
    EXPECT_EQ(window.BarcodeControl(), sale.txtCode_Cliente); // ready for the first card
    Write("2900000000018\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return sale.IsSaleOpen(); }));
    EXPECT_EQ(sale.txtCliente->text(), "Rossi Ada");
}

TEST_F(BarcodeTest, CodesAreCutAtTheirLineEndsWhateverTheChunksUntilSwitchedOff) {
    frmMain& window = StartReading();
    Activate(&target.window);
    Write("123");
    QTest::qWait(100);
    EXPECT_TRUE(target.received.isEmpty());
    // A line end first holds no card: the code behind it is delivered at once.
    const std::pair<const char*, int> chunks[] = {
        {"45\r\n", 1}, {"A\rB\r", 3}, {"X\n\nY\n", 5}, {"\rZ\r", 6}, {"W\r", 7}};
    for (const auto& [bytes, count] : chunks) {
        Write(bytes);
        ASSERT_TRUE(Received(count)) << bytes;
    }
    EXPECT_EQ(target.received, (QStringList{"12345\r", "A\r", "B\r", "X\r", "Y\r", "Z\r", "W\r"}));
    // An endless code is dropped, and said so.
    Write(QByteArray(5000, '9'));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window.StatusMsg().startsWith("Codice a barre scartato"); }));
    Write("99\rC02\r");
    ASSERT_TRUE(Received(8));
    EXPECT_EQ(target.received.last(), "C02\r");
    // On again: the port stays, what waited is dropped; off, the port is let go.
    Write("OLD");
    QTest::qWait(100);
    window.SetBarcodeReader(true);
    Write("NEW\r");
    ASSERT_TRUE(Received(9));
    EXPECT_EQ(target.received.last(), "NEW\r");
    window.SetBarcodeReader(false);
    EXPECT_EQ(window.StatusMsg(), "Lettore codici a barre disattivato");
    ExpectReader(window, false);
    // The button and the menu follow the switch saved by another window.
    settings.BarcodeReaderEnabled = true;
    settings.Save();
    ExpectReader(window, true);
}

TEST_F(BarcodeTest, AReadForAWindowNotActiveBeepsAMissingPortOrBadSettingsTurnTheReaderOff) {
    frmMain& window = StartReading();
    target.window.show();
    Activate();
    Write("C01\r");
    ASSERT_TRUE(QTest::qWaitFor([&] { return prompter.Beeps() == 1; }));
    EXPECT_TRUE(target.received.isEmpty());
    EXPECT_EQ(window.StatusMsg(), "Letto codice a barre: <C01>");
    window.SetBarcodeReader(false);
    // A missing port, then settings the port refuses: said, and the reader turned off.
    const std::tuple<qint16, QString, QString, QString> broken[] = {
        {7, m_dir.filePath("nessuna-porta"), "9600,n,8,1", ""},
        {1, settings.COMPortDevice, "9600,x,8,1", "parità"}};
    for (const auto& [number, device, param, cause] : broken) {
        SCOPED_TRACE(param.toStdString());
        std::tie(settings.COMPortNumber, settings.COMPortDevice, settings.COMPortParam) =
            std::tie(number, device, param);
        prompter.Answer(PromptAnswer::Ok);
        window.SetBarcodeReader(true);
        EXPECT_TRUE(prompter.LastMessage().Text.startsWith(
            QString("Impostazione porta (COM%1 - %2) controllo lettore codici a barre fallita: "
                    "\r\r")
                .arg(number)
                .arg(param)));
        EXPECT_TRUE(prompter.LastMessage().Text.contains(cause));
        EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Critical);
        EXPECT_FALSE(settings.BarcodeReaderEnabled);
        ExpectReader(window, false);
    }
}
