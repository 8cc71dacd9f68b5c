#pragma once
// Driving the engine's windows from tests: each window is shown offscreen, found controls
// by name, and real key presses sent where the user's focus would be.

#include "ScriptedPrompter.h"
#include "TempEnvironment.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

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

// What a user would notice first: every control inside the window, no text cut short. With
// TESSARIN_SCREENSHOTS set to a folder, the window is also saved there as a PNG.
inline void Look(QDialog& d, const QString& picture) {
    const QRect inside = d.rect();
    for (QWidget* w : d.findChildren<QWidget*>()) {
        if (!w->isVisible() || w->isWindow()) continue;
        EXPECT_TRUE(inside.contains(QRect(w->mapTo(&d, QPoint(0, 0)), w->size())))
            << w->objectName().toStdString();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        }
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            EXPECT_GE(button->width(), button->sizeHint().width() * 9 / 10)
                << button->text().toStdString();
        }
    }
    const QString folder = qEnvironmentVariable("TESSARIN_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        EXPECT_TRUE(d.grab().save(QDir(folder).filePath(picture)));
    }
}

// A button of a window clicked with the mouse.
inline void Click(QWidget& window, const QString& button) {
    QTest::mouseClick(Child<QAbstractButton>(window, button), Qt::LeftButton);
}

// A key pressed where the window's focus is, as a user would press it.
inline void Press(QWidget& window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = window.focusWidget() ? window.focusWidget() : &window;
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

// Every window test has an environment of its own and ends with nothing unscripted asked and
// nothing scripted left unused.
class WindowTest : public TempEnvironment {
protected:
    void TearDown() override {
        EXPECT_TRUE(prompter.Failures().isEmpty()) << prompter.Failures().join('\n').toStdString();
        EXPECT_EQ(prompter.Pending(), 0u);
    }
    // The next window the code under test opens: shown, driven by the steps, and answered with
    // the result they leave it with.
    void OnWindow(std::function<void(QDialog&)> steps) {
        prompter.Dialog([steps](QDialog& d) {
            ShowWindow(d);
            steps(d);
            return d.result();
        });
    }
    ScriptedPrompter prompter;
};
