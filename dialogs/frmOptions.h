#pragma once
// The settings window: working folder of the archive, backup folder with its switches and
// reminder period, serial port of the barcode reader. Opened from the main window's tools menu
// (modeless) and from the start-up when the archive is missing (modal).

#include <QDialog>

class clsSettings;
class itfOptionsHost;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmOptions : public QDialog {
    Q_OBJECT
public:
    // Fills the controls from `settings`, which OK changes and saves. `host` may be nullptr.
    frmOptions(QWidget* owner, itfOptionsHost* host, clsSettings& settings);

    // True once the settings have been confirmed and stored.
    bool m_bConfirmed = false;

    // Shows the window over `owner`, which takes no input while it is open. The window deletes
    // itself when it closes.
    void ShowModeless();
    // Runs the window modally; returns m_bConfirmed.
    bool ShowModal();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void Load();
    void Opened();
    void Closed();
    void txtBkpDir_Change();
    void SelectFolder(QLineEdit* field);
    void cmdRepairDB_Click();
    void cmdOK_Click();

    QGroupBox* frmGeneralParameter;
    QLabel* Label1;
    QLineEdit* txtWorkDir;
    QPushButton* cmdSelWorkDir;

    QGroupBox* Frame3;
    QLabel* Label10;
    QLineEdit* txtBkpDir;
    QPushButton* cmdSelBkpDir;
    QLabel* Label13;
    QCheckBox* chkSaveData;
    QCheckBox* chkRestoreData;
    QLabel* Label14;
    QComboBox* cmbSaveNotify;

    QGroupBox* frmCOMParameter;
    QLabel* Label2;
    QComboBox* cboCOMPort;
    QLabel* Label3;
    QLineEdit* txtCOMParam;
    QLabel* Label4;

    QPushButton* cmdRepairDB;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    itfOptionsHost* m_host;
    clsSettings& m_settings;
    bool m_bOpen = false; // the host has been told the window is open
};
