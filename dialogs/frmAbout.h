#pragma once
// The about box: the product's title, version and description, with the system-information
// tool, the vendor's web page, the vendor's contacts and the notice a click away.

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // A blank `title` gives the product name.
    explicit frmAbout(QWidget* owner = nullptr, const QString& title = {});

    // Runs the about box modally over `owner`.
    static void ShowAbout(QWidget* owner);

    // Launches the desktop's system-information tool, or says that there is none.
    void StartSysInfo();
    // The first of `candidates` found on PATH; empty when none is.
    static QString FindSysInfoTool(const QStringList& candidates = DefaultSysInfoTools());
    static QStringList DefaultSysInfoTools();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void lblWeb_Click();
    void imgLogo_Click();
    void cmdInformativa_Click();

    QLabel* imgLogo;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QLabel* lblWeb;
    QPushButton* cmdOk;
    QPushButton* cmdSysInfo;
    QPushButton* cmdInformativa;

    QString m_strTitle;
};
