#include "frmDateSetting.h"

#include "itfPrompter.h"

#include <DbmsClock.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

frmDateSetting::frmDateSetting(QWidget* owner) : QDialog(owner) {
    setObjectName("frmDateSetting");
    setWindowTitle("Selezione data");

    calTimeSetting = new QCalendarWidget(this);
    calTimeSetting->setObjectName("calTimeSetting");
    calTimeSetting->setGridVisible(true);
    calTimeSetting->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    cmdSetting = new QPushButton("&Imposta", this);
    cmdSetting->setObjectName("cmdSetting");
    cmdSetting->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSetting);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(calTimeSetting);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdSetting, &QPushButton::clicked, this, &frmDateSetting::Confirm);
    // A double click or Enter on a day confirms it as the button does.
    connect(calTimeSetting, &QCalendarWidget::activated, this, &frmDateSetting::Confirm);
}

QVariant frmDateSetting::SetDate(const QVariant& date, int top, int left) {
    QDate start = date.toDate();
    if (!start.isValid()) start = DbmsClock::Today();
    Place(top, left);
    calTimeSetting->setSelectedDate(start);
    m_blnConfirmed = false;
    Prompter().Exec(*this);
    return m_blnConfirmed ? QVariant(m_datChosen) : QVariant();
}

void frmDateSetting::Place(int top, int left) {
    adjustSize();
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : nullptr;
    if (!screen) screen = QApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    const QSize size = frameGeometry().size();
    move(left == -1 ? area.x() + (area.width() - size.width()) / 2 : left,
         top == -1 ? area.y() + (area.height() - size.height()) / 2 : top);
}

void frmDateSetting::Confirm() {
    m_datChosen = calTimeSetting->selectedDate();
    m_blnConfirmed = true;
    accept();
}
