#pragma once
// The sale window on the archive of the rules' tests, shown offscreen and driven from the
// keyboard, the scripted prompter answering.
#include "SaleRulesFixture.h"
#include "ScriptedPrompter.h"
#include "frmMessage.h"
#include "frmVendite.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

inline int Accept(QDialog&) {
    return QDialog::Accepted;
}

class SaleWindowTest : public SaleRulesTest {
protected:
    void TearDown() override {
        window.reset();
        frmMessage::Unload();
        SaleRulesTest::TearDown();
        EXPECT_TRUE(prompter.Failures().isEmpty()) << prompter.Failures().join("\n").toStdString();
    }

    frmVendite& Open() {
        window = std::make_unique<frmVendite>(
            session, settings, nullptr, [this](QLineEdit* target) { barcodeTarget = target; });
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }
    // The card or code typed into the customer field over what it shows, ended by Enter.
    void TypeCustomer(const QString& code) {
        window->txtCode_Cliente->setFocus();
        window->txtCode_Cliente->selectAll();
        QTest::keyClicks(window->txtCode_Cliente, code);
        QTest::keyClick(window->txtCode_Cliente, Qt::Key_Return);
    }
    // One key event to the focused control, as the keyboard sends it (QTest's own clicks
    // would press and release Ctrl around every key).
    static void Send(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(type, key, modifiers);
        QApplication::sendEvent(QApplication::focusWidget(), &event);
    }
    // A reader that types like a keyboard: Ctrl down, the code, Ctrl up, wherever the focus.
    void ReadArticle(const QString& code) {
        Send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
        for (QChar c : code) {
            Send(QEvent::KeyPress, c.toUpper().unicode(), Qt::ControlModifier);
            Send(QEvent::KeyRelease, c.toUpper().unicode(), Qt::ControlModifier);
        }
        Send(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    }
    void Key(char key) { QTest::keyClick(QApplication::focusWidget(), key); }
    qint64 Pieces() { return a.Scalar("SELECT IFNULL(SUM(Quantita), 0) FROM ArticoliVenduti"); }

    ScriptedPrompter prompter;
    std::unique_ptr<frmVendite> window;
    QLineEdit* barcodeTarget = nullptr;
};
