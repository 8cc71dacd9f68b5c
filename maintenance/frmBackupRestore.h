#pragma once
// What a save or a restore covers: all the data, or the sale operations of a period (optionally
// with the articles, optionally removed from the source afterwards). The main window asks
// through QuerySelections and reads the choice from the fields below.

#include <QDate>
#include <QDialog>
#include <utility>

class clsSettings;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

class frmBackupRestore : public QDialog {
    Q_OBJECT
public:
    // The default period follows the reminder period in `settings`.
    explicit frmBackupRestore(clsSettings& settings, QWidget* owner = nullptr);

    // Shows the window modally over `owner` with `title` as its caption; returns m_bConfirmed.
    bool QuerySelections(QWidget* owner, const QString& title);

    // The period offered on opening `today`: up to yesterday, from yesterday (daily), from the
    // Monday of the week before (weekly) or from the 1st of the month before today's (monthly);
    // no start for any other reminder period.
    static std::pair<QDate, QDate> DefaultPeriod(QDate today, int bkpSaveNotify);

    bool m_bConfirmed = false;
    bool m_blnAllData = false;
    QDate m_vntFromDateSel;
    QDate m_vntToDateSel;
    bool m_blnDelData = false;
    bool m_blnCopy_Articoli = false;

private:
    void Load();
    void EnableControls();
    void SelectDate(QLineEdit* field);
    void cmdExecute_Click();

    clsSettings& m_settings;

    QRadioButton* optAllData;
    QRadioButton* optMovData;
    QLabel* lblFromDate;
    QLineEdit* txtFromDate;
    QToolButton* cmdSelFromDate;
    QLabel* lblToDate;
    QLineEdit* txtToDate;
    QToolButton* cmdSelToDate;
    QCheckBox* chkRemoveData;
    QCheckBox* chkArticoli;
    QPushButton* cmdExecute;
    QPushButton* cmdCancel;
};
