#include "frmSplash.h"

#include "modAppInfo.h"

#include <QLabel>
#include <QVBoxLayout>

frmSplash::frmSplash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("frmSplash");
    setWindowTitle(modAppInfo::ProductName());
    lblProductName = new QLabel(modAppInfo::ProductName(), this);
    lblProductName->setObjectName("lblProductName");
    QFont big = lblProductName->font();
    big.setPointSize(big.pointSize() * 3);
    big.setBold(true);
    lblProductName->setFont(big);
    lblVersion = new QLabel(modAppInfo::VersionText(), this);
    lblVersion->setObjectName("lblVersion");
    auto* description = new QLabel(modAppInfo::FileDescription(), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 30, 40, 30);
    for (QLabel* label : {lblProductName, lblVersion, description}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    setStyleSheet("frmSplash { border: 1px solid palette(dark); }");
}
