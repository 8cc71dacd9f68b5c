#include "TestValues.h"
#include <clsOSTNA.h>

#include <QApplication>
#include <QLineEdit>
#include <QStyle>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include <vector>

TEST(clsOSTNAMessages, ClassifiesThePlatformMessagesReadFromTheXValueInTwips) {
    for (int m : {0, 512, 513, 514, 515, 516, 517, 519}) {
        EXPECT_EQ(clsOSTNA::IsLeftButton(m), m == 513) << m;
        EXPECT_EQ(clsOSTNA::IsDoubleClick(m), m == 515) << m;
        EXPECT_EQ(clsOSTNA::IsRightButton(m), m == 516) << m;
    }
    // 15 twips a pixel; the low four bits count, after rounding; moves and releases give nothing.
    const std::pair<double, int> fromX[] = {
        {513 * 15, 513}, {515 * 15, 515}, {516 * 15, 516}, {15, 513},     {28, 516},
        {7694.6, 513},   {7725.4, 515},   {7739.5, 516},   {512 * 15, 0}, {514 * 15, 0},
        {517 * 15, 0},   {7695.6, 0},     {0, 0}};
    for (const auto& [x, message] : fromX)
        EXPECT_EQ(clsOSTNA::MessageFromX(x), message) << x;
}

class clsOSTNATest : public ::testing::Test {
protected:
    QSystemTrayIcon* Tray() { return m_icon.findChild<QSystemTrayIcon*>(); }
    QIcon AppIcon() const { return qApp->style()->standardIcon(QStyle::SP_ComputerIcon); }

    clsOSTNA m_icon;
};

TEST_F(clsOSTNATest, TipIsCutTo63CharactersAndEachClickIsAMouseMessage) {
    ASSERT_NE(Tray(), nullptr);
    for (const QString& tip : {QString(60, 'x') + "ABCD", QString(62, 'y') + "Z", QString("T")}) {
        m_icon.ChangeTip(tip);
        EXPECT_EQ(m_icon.Tip(), tip.left(63));
        EXPECT_EQ(Tray()->toolTip(), tip.left(63));
    }
    m_icon.IconStart(nullptr, AppIcon(), QString(100, 'z'));
    EXPECT_EQ(m_icon.Tip(), QString(63, 'z'));
    std::vector<int> messages;
    QObject::connect(&m_icon, &clsOSTNA::MouseMessage,
                     [&messages](int message) { messages.push_back(message); });
    for (auto reason :
         {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Context,
          QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown})
        emit Tray()->activated(reason);
    EXPECT_EQ(messages, (std::vector<int>{513, 515, 516, 519}));
}

TEST_F(clsOSTNATest, WithoutNotificationAreaNothingIsShown) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a tray";
    QLineEdit txtTNAInterface;
    txtTNAInterface.show();
    EXPECT_EQ(m_icon.IconStart(&txtTNAInterface, AppIcon(), "Tessarin"), 0);
    EXPECT_FALSE(m_icon.IsShown());
    EXPECT_FALSE(Tray()->isVisible());
    EXPECT_TRUE(txtTNAInterface.isHidden());
    EXPECT_EQ(m_icon.Tip(), "Tessarin");
    m_icon.IconStop();
    m_icon.IconStop();
    EXPECT_FALSE(m_icon.IsShown());
    EXPECT_EQ(m_icon.IconStart(nullptr, AppIcon(), "Tessarin"), 0);
}
