#pragma once
// The window shown while the program starts: the product's name and version.

#include <QWidget>

class QLabel;

class frmSplash : public QWidget {
    Q_OBJECT
public:
    frmSplash();

    QLabel* lblProductName;
    QLabel* lblVersion;
};
