#include "frmOptions.h"

#include "clsSettings.h"
#include "frmSelectDir.h"
#include "itfOptionsHost.h"
#include "itfPrompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <typename T> T* Named(T* control, const char* name) {
    control->setObjectName(name);
    return control;
}

// A stored position outside the list selects nothing rather than a wrong item.
void SelectItem(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

} // namespace

frmOptions::frmOptions(QWidget* owner, itfOptionsHost* host, clsSettings& settings)
    : QDialog(owner), m_host(host), m_settings(settings) {
    setObjectName("frmOptions");
    setWindowTitle("Impostazioni");

    frmGeneralParameter = Named(new QGroupBox("Parametri generali:", this), "frmGeneralParameter");
    Label1 = Named(new QLabel("Indirizzario di lavoro:", frmGeneralParameter), "Label1");
    txtWorkDir = Named(new QLineEdit(frmGeneralParameter), "txtWorkDir");
    txtWorkDir->setMinimumWidth(320);
    cmdSelWorkDir = Named(new QPushButton("...", frmGeneralParameter), "cmdSelWorkDir");

    Frame3 = Named(new QGroupBox("Parametri salvataggio / ripristino:", this), "Frame3");
    Label10 = Named(new QLabel("Indirizzario appoggio:", Frame3), "Label10");
    txtBkpDir = Named(new QLineEdit(Frame3), "txtBkpDir");
    cmdSelBkpDir = Named(new QPushButton("...", Frame3), "cmdSelBkpDir");
    Label13 = Named(new QLabel("Abilita funzioni Menù:", Frame3), "Label13");
    chkSaveData = Named(new QCheckBox("Salva dati", Frame3), "chkSaveData");
    chkSaveData->setToolTip("Abilita la funzione di salvataggio dati su archivio di appoggio");
    chkRestoreData = Named(new QCheckBox("Ripristina dati", Frame3), "chkRestoreData");
    chkRestoreData->setToolTip("Abilita la funzione di ripristino dati da archivio di appoggio");
    Label14 = Named(new QLabel("Notifica salvataggio:", Frame3), "Label14");
    cmbSaveNotify = Named(new QComboBox(Frame3), "cmbSaveNotify");
    cmbSaveNotify->addItems({"[ mai ]", "Giornaliero", "Settimanale", "Mensile"});
    cmbSaveNotify->setToolTip(
        "Seleziona l'intervallo di tempo per la notifica periodica del salvataggio");

    frmCOMParameter =
        Named(new QGroupBox("Parametri lettore codici a barre seriale:", this), "frmCOMParameter");
    Label2 = Named(new QLabel("Porta di comunicazione:", frmCOMParameter), "Label2");
    cboCOMPort = Named(new QComboBox(frmCOMParameter), "cboCOMPort");
    for (int port = 1; port <= 8; ++port)
        cboCOMPort->addItem("COM" + QString::number(port));
    Label3 = Named(new QLabel("Parametri porta:", frmCOMParameter), "Label3");
    txtCOMParam = Named(new QLineEdit(frmCOMParameter), "txtCOMParam");
    txtCOMParam->setToolTip(
        "Imposta i parametri della porta seriale (Velocità, Parità, Numero Bit, Bit di stop)");
    Label4 = Named(new QLabel("N.B.: Il codice inviato dal lettore viene acquisito per intero e "
                              "deve terminare con i caratteri di controllo CR e/o LF",
                              frmCOMParameter),
                   "Label4");
    Label4->setWordWrap(true);

    cmdRepairDB = Named(new QPushButton("&Recupera Database", this), "cmdRepairDB");
    cmdRepairDB->setToolTip("Ripara il database");
    cmdRepairDB->setAutoDefault(false);
    cmdOK = Named(new QPushButton("&OK", this), "cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = Named(new QPushButton("&Esci", this), "cmdCancel");
    cmdCancel->setAutoDefault(false);

    auto* general = new QGridLayout(frmGeneralParameter);
    general->addWidget(Label1, 0, 0);
    general->addWidget(txtWorkDir, 0, 1);
    general->addWidget(cmdSelWorkDir, 0, 2);

    auto* switches = new QHBoxLayout;
    switches->addWidget(chkSaveData);
    switches->addWidget(chkRestoreData);
    switches->addStretch();
    auto* backup = new QGridLayout(Frame3);
    backup->addWidget(Label10, 0, 0);
    backup->addWidget(txtBkpDir, 0, 1);
    backup->addWidget(cmdSelBkpDir, 0, 2);
    backup->addWidget(Label13, 1, 0);
    backup->addLayout(switches, 1, 1, 1, 2);
    backup->addWidget(Label14, 2, 0);
    backup->addWidget(cmbSaveNotify, 2, 1, Qt::AlignLeft);

    auto* serial = new QGridLayout(frmCOMParameter);
    serial->addWidget(Label2, 0, 0);
    serial->addWidget(cboCOMPort, 0, 1, Qt::AlignLeft);
    serial->addWidget(Label3, 1, 0);
    serial->addWidget(txtCOMParam, 1, 1);
    serial->addWidget(Label4, 2, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRepairDB);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frmGeneralParameter);
    layout->addWidget(Frame3);
    layout->addWidget(frmCOMParameter);
    layout->addLayout(buttons);

    txtBkpDir->installEventFilter(this);
    connect(txtBkpDir, &QLineEdit::textChanged, this, &frmOptions::txtBkpDir_Change);
    connect(chkSaveData, &QCheckBox::toggled, this, &frmOptions::txtBkpDir_Change);
    connect(cmdSelWorkDir, &QPushButton::clicked, this, [this] { SelectFolder(txtWorkDir); });
    connect(cmdSelBkpDir, &QPushButton::clicked, this, [this] { SelectFolder(txtBkpDir); });
    connect(cmdRepairDB, &QPushButton::clicked, this, &frmOptions::cmdRepairDB_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    Load();
}

void frmOptions::Load() {
    txtWorkDir->setText(m_settings.RootDir);
    SelectItem(cboCOMPort, m_settings.COMPortNumber - 1);
    txtCOMParam->setText(m_settings.COMPortParam);
    txtBkpDir->setText(m_settings.BackupDir);
    txtBkpDir_Change(); // an unchanged (empty) text sends no signal
    chkSaveData->setChecked(m_settings.BackupFuncSaveEnabled);
    chkRestoreData->setChecked(m_settings.BackupFuncRestoreEnabled);
    SelectItem(cmbSaveNotify, m_settings.BkpSaveNotify);
    m_bConfirmed = false;
}

void frmOptions::ShowModeless() {
    setAttribute(Qt::WA_DeleteOnClose);
    // Window-modal rather than disabling the owner: a disabled owner disables us too.
    setWindowModality(Qt::WindowModal);
    Opened();
    show();
}

bool frmOptions::ShowModal() {
    Opened();
    Prompter().Exec(*this);
    Closed(); // a run that ended without closing the window still ends the opening
    return m_bConfirmed;
}

void frmOptions::Opened() {
    if (m_bOpen) return;
    m_bOpen = true;
    if (m_host) m_host->SetOptionFormVisible(true);
}

void frmOptions::Closed() {
    if (!m_bOpen) return;
    m_bOpen = false;
    if (m_host) m_host->SetOptionFormVisible(false);
}

void frmOptions::done(int result) {
    // Cleared first, so the owner's activation that follows our closing is not ignored.
    Closed();
    QDialog::done(result);
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtBkpDir && event->type() == QEvent::MouseButtonDblClick) {
        txtBkpDir->clear();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmOptions::txtBkpDir_Change() {
    const bool hasFolder = !txtBkpDir->text().trimmed().isEmpty();
    chkSaveData->setEnabled(hasFolder);
    chkRestoreData->setEnabled(hasFolder);
    cmbSaveNotify->setEnabled(hasFolder && chkSaveData->isChecked());
}

void frmOptions::SelectFolder(QLineEdit* field) {
    frmSelectDir chooser;
    chooser.SelectedDir = field->text();
    if (chooser.Show(this)) field->setText(chooser.SelectedDir);
}

void frmOptions::cmdRepairDB_Click() {
    if (m_host) m_host->RepairDatabase(this, txtWorkDir->text(), txtBkpDir->text());
}

void frmOptions::cmdOK_Click() {
    const QString workDir = txtWorkDir->text();
    if (workDir.compare(m_settings.RootDir, Qt::CaseInsensitive) != 0) {
        if (ShowMessage(this, "L'indirizzario di lavoro e' cambiato.\r\rConfermi ?",
                        PromptIcon::Question, PromptButtons::YesNo,
                        PromptAnswer::Yes) != PromptAnswer::Yes)
            return;
        m_settings.RootDir = workDir;
        // The archive is reopened from the new folder at the owner's next activation.
        if (m_host) m_host->ReleaseDatabase();
    }

    // Disabled controls count too: their values are kept for when a backup folder is set.
    m_settings.BackupDir = txtBkpDir->text();
    m_settings.BackupFuncSaveEnabled = chkSaveData->isChecked();
    m_settings.BackupFuncRestoreEnabled = chkRestoreData->isChecked();
    if (cmbSaveNotify->currentIndex() >= 0)
        m_settings.BkpSaveNotify = cmbSaveNotify->currentIndex();
    if (cboCOMPort->currentIndex() >= 0)
        m_settings.COMPortNumber = qint16(cboCOMPort->currentIndex() + 1);
    m_settings.COMPortParam = txtCOMParam->text();
    m_settings.Save();

    m_bConfirmed = true;
    accept();
}
