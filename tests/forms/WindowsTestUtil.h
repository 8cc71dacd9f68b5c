#pragma once
// Driving the engine's windows from tests: each window is shown offscreen, found controls
// by name, and real key presses sent where the user's focus would be.

#include "ScriptedPrompter.h"

#include <QDialog>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>
#include <stdexcept>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Shows a window handed to the scripted prompter as the Qt prompter would (without a loop).
inline void ShowWindow(QDialog& d) {
    d.show();
    d.activateWindow();
    (void)QTest::qWaitForWindowActive(&d, 1000);
}

// A control of a window by name; a missing one fails the test at once.
template <typename T> T* Child(QWidget& parent, const QString& name) {
    T* w = parent.findChild<T*>(name);
    if (!w) {
        ADD_FAILURE() << "manca il controllo " << name.toStdString();
        throw std::runtime_error("missing control");
    }
    return w;
}

// A key pressed where the window's focus is, as a user would press it.
inline void Press(QWidget& window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = window.focusWidget() ? window.focusWidget() : &window;
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

// Every window test ends with nothing unscripted asked and nothing scripted left unused.
class WindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(prompter.Failures().isEmpty()) << prompter.Failures().join('\n').toStdString();
        EXPECT_EQ(prompter.Pending(), 0u);
    }
    ScriptedPrompter prompter;
};
