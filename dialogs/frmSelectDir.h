#pragma once
// The folder selection window: in, the folder to start from; out, the chosen folder.

#include <QString>

class QWidget;

class frmSelectDir {
public:
    // The starting folder before Show, the chosen one after; empty when the user cancelled.
    QString SelectedDir;

    // Asks for a folder over `owner`; false when the user cancelled.
    bool Show(QWidget* owner);
};
