#pragma once
// A work window for tests: records every text shown, counts the engine's progress calls and
// the steps, and asks to stop once a given number of them has passed.

#include "itfWorkWindow.h"

#include <QStringList>

class ScriptedWork : public itfWorkWindow, public itfProgress {
public:
    // Stop when the progress call or step numbered `n` (1-based) arrives; 0 never stops.
    qint64 StopAt = 0;
    QStringList Texts;
    qint64 Calls = 0;
    bool Loaded = false;

    void Show(const QString& text, QWidget*) override {
        Texts << text;
        Loaded = true;
    }
    itfProgress& Progress() override { return *this; }
    void StartSteps(qint64) override {}
    bool Step() override { return Go(); }
    void Unload() override { Loaded = false; }

    void OnStart(const QString&, qint64) override {}
    void OnProgress(const QString&, qint64, bool& p_blnContinue) override { p_blnContinue = Go(); }
    void OnEnd(const QString&) override {}
    void OnStopped(bool& p_blnStopped) override { p_blnStopped = StopAt != 0 && Calls >= StopAt; }

private:
    bool Go() {
        ++Calls;
        return StopAt == 0 || Calls < StopAt;
    }
};
