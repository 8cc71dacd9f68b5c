#pragma once
// The date picker: a one-month calendar and a confirm button.

#include <QDate>
#include <QDialog>
#include <QVariant>

class QCalendarWidget;
class QPushButton;

class frmDateSetting : public QDialog {
    Q_OBJECT
public:
    explicit frmDateSetting(QWidget* owner = nullptr);

    // Runs the picker modally on `date` (today when it holds no valid date). `top` and `left`
    // are screen positions in pixels, -1 centring the window in that direction. Returns the
    // chosen QDate, or an invalid variant when the user cancelled.
    QVariant SetDate(const QVariant& date, int top, int left);

private:
    void Place(int top, int left);
    void Confirm();

    QCalendarWidget* calTimeSetting;
    QPushButton* cmdSetting;

    QDate m_datChosen;
    bool m_blnConfirmed = false;
};
