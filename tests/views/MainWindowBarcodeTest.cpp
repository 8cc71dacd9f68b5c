// The barcode reader through a real serial line: a pty pair, its far end written by the test
// as a reader would, its near end opened by the program's QSerialPort.
#include "MainWindowFixture.h"

#include "frmVendite.h"

#include <QAction>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

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
