#pragma once
// What the options window needs from the main window, which it cannot name: the main window
// lives in a higher layer.

#include <QString>

class QWidget;

class itfOptionsHost {
public:
    virtual ~itfOptionsHost() = default;
    // Set while the options window is open; the main window's activation does nothing then.
    virtual void SetOptionFormVisible(bool visible) = 0;
    // Detaches the views and drops the archive objects, so the next activation reopens it.
    virtual void ReleaseDatabase() = 0;
    // Tries to recover the archives in the folders typed in the options window (not yet
    // confirmed), over `options`. A host without that command does nothing.
    virtual void RepairDatabase(QWidget* /*options*/, const QString& /*workDir*/,
                                const QString& /*backupDir*/) {}
};
