// The search text dialog driven from the keyboard: what it hands back, how it offers the last
// text again, and its keys.
#include "frmSearchText.h"
#include "WindowTest.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
class SearchTextTest : public WindowTest {
protected:
    // The dialog lives for the whole run: each test starts as if nothing was confirmed yet.
    void SetUp() override { dialog.SetLast({}, {}); }
    // Asks for `field` with both options shown unless told otherwise; `fill` drives the window.
    bool Ask(const QString& field, bool nextVisible, std::function<void(QDialog&)> fill) {
        OnWindow(fill);
        bool confirmed = true;
        const bool result = dialog.GetSelection(&owner, field, true, nextVisible, confirmed);
        EXPECT_EQ(result, confirmed);
        return result;
    }
    bool Ask(const QString& field, std::function<void(QDialog&)> fill) {
        return Ask(field, true, fill);
    }

    static QLineEdit* Text(QDialog& d) { return Child<QLineEdit>(d, "txtSearch"); }
    static QCheckBox* Internal(QDialog& d) { return Child<QCheckBox>(d, "chkInternal"); }
    static QPushButton* Button(QDialog& d, const QString& name) {
        return Child<QPushButton>(d, name);
    }

    // What the caller reads back: confirmed, the text, contained, next occurrence.
    using Outcome = std::tuple<bool, QString, bool, bool>;
    Outcome Result() const {
        return {dialog.Confirmed(), dialog.ResultText(), dialog.Internal(), dialog.Next()};
    }

    QWidget owner;
    frmSearchText& dialog = frmSearchText::Instance();
};
} // namespace

TEST_F(SearchTextTest, InternalNeedsTwoCharactersAndF2TogglesItOkStoresTheChoice) {
    const bool confirmed = Ask("Descrizione", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Cerca");
        EXPECT_EQ(Child<QLabel>(d, "lblFieldName")->text(), "Descrizione");
        EXPECT_EQ(d.focusWidget(), Text(d));
        QTest::keyClicks(Text(d), "r");
        EXPECT_FALSE(Internal(d)->isEnabled());
        Press(d, Qt::Key_F2); // refused: one character cannot be "contained"
        EXPECT_FALSE(Internal(d)->isChecked());
        QTest::keyClicks(Text(d), "o");
        EXPECT_TRUE(Internal(d)->isEnabled());
        Press(d, Qt::Key_F2);
        Press(d, Qt::Key_F2);
        EXPECT_FALSE(Internal(d)->isChecked());
        Press(d, Qt::Key_F2);
        EXPECT_TRUE(Internal(d)->isChecked());
        EXPECT_TRUE(d.isVisible());
        // A new field: Enter is OK, not Successivo.
        EXPECT_TRUE(Button(d, "cmdOk")->isDefault());
        EXPECT_FALSE(Button(d, "cmdNext")->isDefault());
        Press(d, Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(Result(), Outcome(true, "ro", true, false));
    EXPECT_EQ(dialog.LastFieldCaption(), "Descrizione");
    EXPECT_EQ(dialog.LastText(), "ro");
    EXPECT_EQ(dialog.parentWidget(), nullptr);
}

TEST_F(SearchTextTest, SuccessivoAndF3AskForTheNextOccurrence) {
    for (bool byKey : {false, true}) {
        SCOPED_TRACE(byKey ? "F3" : "Successivo");
        EXPECT_TRUE(Ask("Codice", [byKey](QDialog& d) {
            Text(d)->selectAll();
            QTest::keyClicks(Text(d), "C1");
            if (byKey)
                Press(d, Qt::Key_F3);
            else
                QTest::mouseClick(Button(d, "cmdNext"), Qt::LeftButton);
            EXPECT_FALSE(d.isVisible());
        }));
        EXPECT_EQ(Result(), Outcome(true, "C1", false, true));
        EXPECT_EQ(dialog.LastFieldCaption(), "Codice");
    }
    // Without Successivo on show F3 does nothing at all.
    EXPECT_TRUE(Ask("Descrizione", false, [](QDialog& d) {
        EXPECT_TRUE(Button(d, "cmdNext")->isHidden());
        QTest::keyClicks(Text(d), "ab");
        Press(d, Qt::Key_F3);
        EXPECT_TRUE(d.isVisible());
        Press(d, Qt::Key_Return);
    }));
    EXPECT_FALSE(dialog.Next());
}

TEST_F(SearchTextTest, EscapeForgetsTheResultNotTheLastTextWhichTheSameFieldOffersAgain) {
    EXPECT_TRUE(Ask("Descrizione", [](QDialog& d) {
        QTest::keyClicks(Text(d), "ros");
        Press(d, Qt::Key_F2);
        Press(d, Qt::Key_F3);
    }));
    EXPECT_FALSE(Ask("Descrizione", [](QDialog& d) {
        // Loading put the box back unchecked.
        EXPECT_FALSE(Internal(d)->isChecked());
        QTest::keyClicks(Text(d), "x");
        Press(d, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    }));
    EXPECT_EQ(Result(), Outcome(false, "", false, false));
    EXPECT_EQ(dialog.LastText(), "ros");
    // The same field offers the last text again, Successivo as default.
    EXPECT_TRUE(Ask("Descrizione", [](QDialog& d) {
        EXPECT_EQ(Text(d)->text(), "ros");
        EXPECT_EQ(Text(d)->selectedText(), "ros");
        EXPECT_TRUE(Internal(d)->isEnabled());
        EXPECT_TRUE(Button(d, "cmdNext")->isDefault());
        EXPECT_FALSE(Button(d, "cmdOk")->isDefault());
        Press(d, Qt::Key_Return);
    }));
    EXPECT_EQ(Result(), Outcome(true, "ros", false, true));
    // Without Successivo the same field confirms with OK.
    EXPECT_TRUE(Ask("Descrizione", false, [](QDialog& d) {
        EXPECT_EQ(Text(d)->text(), "ros");
        EXPECT_TRUE(Button(d, "cmdOk")->isDefault());
        Press(d, Qt::Key_Return);
    }));
    EXPECT_FALSE(dialog.Next());
    // Another field starts empty, OK as default; a caption set by the caller lasts one run.
    dialog.setWindowTitle("Filtra");
    EXPECT_TRUE(Ask("Codice", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Filtra");
        EXPECT_EQ(Text(d)->text(), "");
        EXPECT_FALSE(Internal(d)->isEnabled());
        EXPECT_TRUE(Button(d, "cmdOk")->isDefault());
        EXPECT_FALSE(Button(d, "cmdNext")->isDefault());
        Press(d, Qt::Key_Return);
    }));
    EXPECT_EQ(dialog.windowTitle(), "Cerca");
    EXPECT_EQ(dialog.ResultText(), "");
    EXPECT_EQ(dialog.LastFieldCaption(), "Codice");
}
