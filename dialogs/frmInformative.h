#pragma once
// The notice: the licence's no-transfer clause, the liability disclaimer and the personal-data
// notice, with commands to accept, refuse and print it.

#include <QDialog>

class QLabel;
class QPushButton;

class frmInformative : public QDialog {
    Q_OBJECT
public:
    // `holder` is the name the disclaimer speaks of; blank gives the vendor's name.
    explicit frmInformative(QWidget* owner = nullptr, const QString& holder = {});

    // Runs the notice modally; true only when the user accepted it.
    bool AcceptInformative();
    // For reading only: the accept and refuse buttons give way to a plain close button.
    void SetReadOnly();

private:
    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdPrint_Click();

    QLabel* lblDescription;
    QLabel* lblResponsability;
    QLabel* lblInformation1;
    QLabel* lblInformation2;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;
    QPushButton* cmdClose;
    QPushButton* cmdPrint;

    QString m_strHolder;
    bool m_blnAccepted = false;
};
