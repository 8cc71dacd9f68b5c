// The barcode reader through a real serial line: a pty pair, its far end written by the test
// as a reader would, its near end opened by the program's QSerialPort.
#include "MainWindowFixture.h"

#include "frmVendite.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A pty pair in raw mode; the test writes into the master as the reader would.
class Pty {
public:
    Pty() {
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        ok = openpty(&master, &slave, name, &raw, nullptr) == 0;
        device = QString::fromLocal8Bit(name);
    }
    ~Pty() {
        if (ok) {
            close(master);
            close(slave);
        }
    }
    void Write(const QByteArray& bytes) const {
        ASSERT_EQ(write(master, bytes.constData(), size_t(bytes.size())), bytes.size());
    }
    bool ok = false;
    int master = -1, slave = -1;
    QString device;
};

// A window with a field that registers as the barcode target; it records every text set.
struct TargetWindow {
    QWidget window;
    QLineEdit* field = new QLineEdit(&window);
    QStringList received;
    TargetWindow() {
        window.setObjectName("TargetWindow");
        (new QVBoxLayout(&window))->addWidget(field);
        QObject::connect(field, &QLineEdit::textChanged,
                         [this](const QString& text) { received << text; });
    }
    void Activate() {
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
};

// Lets the serial notifications arrive until `done` or two seconds have passed.
template <typename F> bool WaitFor(F done) {
    for (int i = 0; i < 100 && !done(); ++i)
        QTest::qWait(20);
    return done();
}

class BarcodeTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(pty.ok);
        settings.COMPortNumber = 1;
        settings.COMPortParam = "9600,n,8,1";
        settings.COMPortDevice = pty.device;
    }
    void TearDown() override {
        settings.COMPortDevice.clear();
        MainWindowTest::TearDown();
    }
    // The main window with the reader on, writing into `target`'s field, its window active.
    frmMain& StartReading(TargetWindow& target) {
        frmMain& window = Start();
        window.SetBarcodeReader(true);
        window.SetBarcodeControl(target.field);
        target.Activate();
        return window;
    }
    Pty pty;
};

} // namespace

TEST_F(BarcodeTest, ACardReadDuringASaleBindsTheCustomer) {
    frmMain& window = Start();
    session.Database()->Item("Clienti")->OpenDataSource()->AddRow(
        {{"Codice", "2900000000018"}, {"Cognome", "Rossi"}, {"Nome", "Ada"}});
    window.SetBarcodeReader(true);
    EXPECT_EQ(window.StatusMsg(), "Lettore codici a barre attivato (COM1 - 9600,n,8,1)");
    EXPECT_TRUE(window.ToolButton("BarcodeReader")->isChecked());
    EXPECT_TRUE(window.Menu("mnuBarcodeReader")->isChecked());
    EXPECT_EQ(settings.ReadSetting("Configuration", "BarcodeReaderEnabled").toLower(), "true");

    frmVendite sale(session, settings, &window,
                    [&window](QLineEdit* target) { window.SetBarcodeControl(target); });
    sale.show();
    QApplication::setActiveWindow(&sale);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sale));
    EXPECT_EQ(window.BarcodeControl(), sale.txtCode_Cliente); // ready for the first card

    pty.Write("2900000000018\r\n");
    ASSERT_TRUE(WaitFor([&] { return sale.IsSaleOpen(); }));
    EXPECT_EQ(sale.txtCliente->text(), "Rossi Ada");
}

TEST_F(BarcodeTest, CodesAreCutAtTheirLineEndsWhateverTheChunks) {
    TargetWindow target;
    StartReading(target);

    pty.Write("123");
    QTest::qWait(100);
    EXPECT_TRUE(target.received.isEmpty());
    pty.Write("45\r\n");
    ASSERT_TRUE(WaitFor([&] { return target.received.size() == 1; }));
    EXPECT_EQ(target.received, QStringList{"12345\r"});

    pty.Write("A\rB\r");
    ASSERT_TRUE(WaitFor([&] { return target.received.size() == 3; }));
    pty.Write("X\n\nY\n");
    ASSERT_TRUE(WaitFor([&] { return target.received.size() == 5; }));
    EXPECT_EQ(target.received.mid(1), (QStringList{"A\r", "B\r", "X\r", "Y\r"}));

    // A line end first holds no card: the code behind it is delivered at once.
    pty.Write("\rZ\r");
    ASSERT_TRUE(WaitFor([&] { return target.received.size() == 6; }));
    pty.Write("W\r");
    ASSERT_TRUE(WaitFor([&] { return target.received.size() == 7; }));
    EXPECT_EQ(target.received.mid(5), (QStringList{"Z\r", "W\r"}));
}

TEST_F(BarcodeTest, AReadForAWindowThatIsNotActiveBeeps) {
    frmMain& window = Start();
    window.SetBarcodeReader(true);
    TargetWindow target;
    window.SetBarcodeControl(target.field);
    target.window.show();
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    pty.Write("C01\r");
    ASSERT_TRUE(WaitFor([&] { return prompter.Beeps() == 1; }));
    EXPECT_TRUE(target.received.isEmpty());
    EXPECT_EQ(window.StatusMsg(), "Letto codice a barre: <C01>");
}

TEST_F(BarcodeTest, SwitchingOnFlushesAndOffCloses) {
    TargetWindow target;
    frmMain& window = StartReading(target);
    pty.Write("OLD");
    QTest::qWait(100);
    window.SetBarcodeReader(true); // on again: the port stays, what waited is dropped
    pty.Write("NEW\r");
    ASSERT_TRUE(WaitFor([&] { return !target.received.isEmpty(); }));
    EXPECT_EQ(target.received, QStringList{"NEW\r"});

    window.SetBarcodeReader(false);
    EXPECT_EQ(window.StatusMsg(), "Lettore codici a barre disattivato");
    EXPECT_FALSE(window.ToolButton("BarcodeReader")->isChecked());
    EXPECT_EQ(settings.ReadSetting("Configuration", "BarcodeReaderEnabled").toLower(), "false");

    // The button and the menu follow the switch saved by another window.
    settings.BarcodeReaderEnabled = true;
    settings.Save();
    EXPECT_TRUE(window.ToolButton("BarcodeReader")->isChecked());
    EXPECT_TRUE(window.Menu("mnuBarcodeReader")->isChecked());
}

TEST_F(BarcodeTest, AMissingPortOrBadSettingsLeaveTheReaderOff) {
    frmMain& window = Start();
    settings.COMPortNumber = 7;
    settings.COMPortDevice = m_dir.filePath("nessuna-porta");
    prompter.Answer(PromptAnswer::Ok);
    window.SetBarcodeReader(true);
    EXPECT_TRUE(prompter.LastMessage().Text.startsWith(
        "Impostazione porta (COM7 - 9600,n,8,1) controllo lettore codici a barre fallita: \r\r"));
    EXPECT_EQ(prompter.LastMessage().Icon, PromptIcon::Critical);
    EXPECT_FALSE(settings.BarcodeReaderEnabled);
    EXPECT_FALSE(window.ToolButton("BarcodeReader")->isChecked());
    EXPECT_FALSE(window.Menu("mnuBarcodeReader")->isChecked());

    settings.COMPortDevice = pty.device;
    settings.COMPortParam = "9600,x,8,1";
    prompter.Answer(PromptAnswer::Ok);
    window.SetBarcodeReader(true);
    EXPECT_TRUE(prompter.LastMessage().Text.contains("parità"));
    EXPECT_FALSE(settings.BarcodeReaderEnabled);
}

TEST_F(BarcodeTest, AnEndlessCodeIsDroppedAndSaidSo) {
    TargetWindow target;
    frmMain& window = StartReading(target);
    pty.Write(QByteArray(5000, '9'));
    ASSERT_TRUE(WaitFor([&] { return window.StatusMsg().startsWith("Codice a barre scartato"); }));
    pty.Write("99\rC02\r");
    ASSERT_TRUE(WaitFor([&] { return !target.received.isEmpty(); }));
    EXPECT_EQ(target.received, QStringList{"C02\r"});
}
