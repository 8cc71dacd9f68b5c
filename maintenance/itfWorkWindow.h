#pragma once
// Where maintenance work tells the user how it is going: a line of text over the window it
// works for, progress for the engine's long operations, and the user's stop. The program uses
// the message window; tests hand a scripted one.

#include "DbmsInterfaces.h"

#include <QString>

class QWidget;

class itfWorkWindow {
public:
    virtual ~itfWorkWindow() = default;
    // Shows `text` over `owner` (loading the window when needed).
    virtual void Show(const QString& text, QWidget* owner) = 0;
    // The sink handed to the engine's transfers and deletions; it stops them on request.
    virtual itfProgress& Progress() = 0;
    // A bar of `steps` steps with a stop button, for work done in steps of its own.
    virtual void StartSteps(qint64 steps) = 0;
    // One step more; false once the user has asked to stop.
    virtual bool Step() = 0;
    // Hides the window and gives its owner back.
    virtual void Unload() = 0;
};
