#pragma once
// The maintenance work reported in the program's message window.

#include "itfWorkWindow.h"

class clsMessageWindowWork : public itfWorkWindow {
public:
    void Show(const QString& text, QWidget* owner) override;
    itfProgress& Progress() override;
    void StartSteps(qint64 steps) override;
    bool Step() override;
    void Unload() override;
};
