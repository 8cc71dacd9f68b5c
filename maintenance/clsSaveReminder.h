#pragma once
// The reminder to save at the start of each working day, week or month, checked whenever the
// main window comes to the front and offered at most once a day.

#include <functional>

class clsSettings;
class QWidget;

class clsSaveReminder {
public:
    // When a reminder is due, records today and asks over `owner`; `save` runs the save
    // command if the user agrees.
    static void Check(clsSettings& settings, QWidget* owner, const std::function<void()>& save);
};
