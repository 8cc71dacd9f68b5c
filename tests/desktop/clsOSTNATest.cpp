#include <clsOSTNA.h>

#include <QApplication>
#include <QLineEdit>
#include <QStyle>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

// Readable failure messages.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

TEST(clsOSTNAMessages, ClassifiesThePlatformMessages) {
    EXPECT_TRUE(clsOSTNA::IsLeftButton(513));
    EXPECT_TRUE(clsOSTNA::IsDoubleClick(515));
    EXPECT_TRUE(clsOSTNA::IsRightButton(516));
    for (int other : {0, 512, 514, 517, 519}) {
        EXPECT_FALSE(clsOSTNA::IsLeftButton(other)) << other;
        EXPECT_FALSE(clsOSTNA::IsDoubleClick(other)) << other;
        EXPECT_FALSE(clsOSTNA::IsRightButton(other)) << other;
    }
    // Each test answers for its own message only.
    EXPECT_FALSE(clsOSTNA::IsLeftButton(515));
    EXPECT_FALSE(clsOSTNA::IsDoubleClick(513));
    EXPECT_FALSE(clsOSTNA::IsRightButton(513));
}

TEST(clsOSTNAMessages, ReadsTheMessageFromTheXValueInTwips) {
    // 15 twips per pixel: the message number times 15.
    EXPECT_EQ(clsOSTNA::MessageFromX(513 * 15), 513);
    EXPECT_EQ(clsOSTNA::MessageFromX(515 * 15), 515);
    EXPECT_EQ(clsOSTNA::MessageFromX(516 * 15), 516);
    // Only the low four bits count, after rounding.
    EXPECT_EQ(clsOSTNA::MessageFromX(15), 513);
    EXPECT_EQ(clsOSTNA::MessageFromX(28), 516);
    EXPECT_EQ(clsOSTNA::MessageFromX(7694.6), 513);
    EXPECT_EQ(clsOSTNA::MessageFromX(7725.4), 515);
    EXPECT_EQ(clsOSTNA::MessageFromX(7739.5), 516);
    // Moves and button releases: 512, 514, 517.
    for (int other : {512, 514, 517})
        EXPECT_EQ(clsOSTNA::MessageFromX(other * 15), 0) << other;
    EXPECT_EQ(clsOSTNA::MessageFromX(7695.6), 0);
    EXPECT_EQ(clsOSTNA::MessageFromX(0), 0);
}

class clsOSTNATest : public ::testing::Test {
protected:
    QSystemTrayIcon* Tray() { return m_icon.findChild<QSystemTrayIcon*>(); }
    QIcon AppIcon() const { return qApp->style()->standardIcon(QStyle::SP_ComputerIcon); }

    clsOSTNA m_icon;
};

TEST_F(clsOSTNATest, TipIsCutTo63Characters) {
    const QString long64 = QString(60, 'x') + "ABCD";
    m_icon.ChangeTip(long64);
    EXPECT_EQ(m_icon.Tip(), long64.left(63));
    ASSERT_NE(Tray(), nullptr);
    EXPECT_EQ(Tray()->toolTip(), long64.left(63));

    const QString exact63 = QString(62, 'y') + "Z";
    m_icon.ChangeTip(exact63);
    EXPECT_EQ(m_icon.Tip(), exact63);

    m_icon.ChangeTip("Tessarin");
    EXPECT_EQ(m_icon.Tip(), "Tessarin");
    EXPECT_EQ(Tray()->toolTip(), "Tessarin");

    m_icon.IconStart(nullptr, AppIcon(), QString(100, 'z'));
    EXPECT_EQ(m_icon.Tip(), QString(63, 'z'));
}

TEST_F(clsOSTNATest, WithoutNotificationAreaNothingIsShown) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a tray";
    QLineEdit txtTNAInterface;
    txtTNAInterface.show();

    EXPECT_EQ(m_icon.IconStart(&txtTNAInterface, AppIcon(), "Tessarin"), 0);
    EXPECT_FALSE(m_icon.IsShown());
    EXPECT_FALSE(Tray()->isVisible());
    // The receiving text box is hidden all the same, and the tip kept.
    EXPECT_TRUE(txtTNAInterface.isHidden());
    EXPECT_EQ(m_icon.Tip(), "Tessarin");

    m_icon.IconStop();
    m_icon.IconStop();
    EXPECT_FALSE(m_icon.IsShown());
    // A restart after a stop behaves like the first start.
    EXPECT_EQ(m_icon.IconStart(nullptr, AppIcon(), "Tessarin"), 0);
}

TEST_F(clsOSTNATest, ReportsEachClickAsAMouseMessage) {
    std::vector<int> messages;
    QObject::connect(&m_icon, &clsOSTNA::MouseMessage,
                     [&messages](int message) { messages.push_back(message); });
    ASSERT_NE(Tray(), nullptr);
    for (auto reason :
         {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context,
          QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown})
        emit Tray()->activated(reason);
    EXPECT_EQ(messages, (std::vector<int>{513, 515, 516, 519}));
}

} // namespace

int main(int argc, char** argv) {
    // The icon needs a widget application; the tests run without a display unless one is set.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
