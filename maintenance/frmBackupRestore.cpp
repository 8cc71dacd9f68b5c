#include "frmBackupRestore.h"

#include "clsSettings.h"
#include "frmDateSetting.h"
#include "itfPrompter.h"

#include <DbmsClock.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const kDateFormat = "dd/MM/yyyy";

template <typename T> T* Named(T* control, const char* name) {
    control->setObjectName(name);
    return control;
}

// A typed date may drop its leading zeros.
QDate ParseDate(const QString& text) {
    return QDate::fromString(text.trimmed(), "d/M/yyyy");
}

} // namespace

frmBackupRestore::frmBackupRestore(clsSettings& settings, QWidget* owner)
    : QDialog(owner), m_settings(settings) {
    setObjectName("frmBackupRestore");

    auto* frame = Named(new QGroupBox("Dati da elaborare:", this), "fraSelection");
    optAllData = Named(new QRadioButton("&Tutti i dati", frame), "optAllData");
    optMovData = Named(new QRadioButton("&Operazioni del periodo", frame), "optMovData");
    lblFromDate = Named(new QLabel("&Dal", frame), "lblFromDate");
    txtFromDate = Named(new QLineEdit(frame), "txtFromDate");
    cmdSelFromDate = Named(new QToolButton(frame), "cmdSelFromDate");
    lblToDate = Named(new QLabel("&Al", frame), "lblToDate");
    txtToDate = Named(new QLineEdit(frame), "txtToDate");
    cmdSelToDate = Named(new QToolButton(frame), "cmdSelToDate");
    chkRemoveData = Named(new QCheckBox("&Elimina dall'archivio di origine i dati salvati", frame),
                          "chkRemoveData");
    chkArticoli = Named(new QCheckBox("Copia anche gli A&rticoli", frame), "chkArticoli");
    cmdExecute = Named(new QPushButton("E&segui", this), "cmdExecute");
    cmdExecute->setDefault(true);
    cmdCancel = Named(new QPushButton("Annulla", this), "cmdCancel");

    lblFromDate->setBuddy(txtFromDate);
    lblToDate->setBuddy(txtToDate);
    lblToDate->setIndent(12); // apart from the first picker
    // Room for a whole date and a little more, no wider.
    const int dateWidth = txtFromDate->fontMetrics().horizontalAdvance("00/00/00000") + 16;
    for (QLineEdit* field : {txtFromDate, txtToDate}) {
        field->setFixedWidth(dateWidth);
        field->setPlaceholderText("gg/mm/aaaa");
    }
    for (QToolButton* button : {cmdSelFromDate, cmdSelToDate}) {
        button->setText("...");
        button->setToolTip("Scegli la data dal calendario");
    }
    cmdCancel->setAutoDefault(false);

    auto* grid = new QGridLayout(frame);
    grid->setColumnMinimumWidth(0, 16); // the period's controls sit under their option
    grid->addWidget(optAllData, 0, 0, 1, 8);
    grid->addWidget(optMovData, 1, 0, 1, 8);
    grid->addWidget(lblFromDate, 2, 1);
    grid->addWidget(txtFromDate, 2, 2);
    grid->addWidget(cmdSelFromDate, 2, 3);
    grid->addWidget(lblToDate, 2, 4);
    grid->addWidget(txtToDate, 2, 5);
    grid->addWidget(cmdSelToDate, 2, 6);
    grid->setColumnStretch(7, 1);
    grid->addWidget(chkRemoveData, 3, 1, 1, 7);
    grid->addWidget(chkArticoli, 4, 1, 1, 7);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdExecute);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(optAllData, &QRadioButton::toggled, this, &frmBackupRestore::EnableControls);
    connect(optMovData, &QRadioButton::toggled, this, &frmBackupRestore::EnableControls);
    connect(cmdSelFromDate, &QToolButton::clicked, this, [this] { SelectDate(txtFromDate); });
    connect(cmdSelToDate, &QToolButton::clicked, this, [this] { SelectDate(txtToDate); });
    connect(cmdExecute, &QPushButton::clicked, this, &frmBackupRestore::cmdExecute_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool frmBackupRestore::QuerySelections(QWidget* owner, const QString& title) {
    if (owner != parentWidget()) setParent(owner, windowFlags());
    setWindowTitle(title);
    Load();
    Prompter().Exec(*this);
    return m_bConfirmed;
}

std::pair<QDate, QDate> frmBackupRestore::DefaultPeriod(QDate today, int bkpSaveNotify) {
    const QDate end = today.addDays(-1);
    switch (bkpSaveNotify) {
    case 1:
        return {end, end};
    case 2: {
        // Back to Monday, the week counted from Sunday: a Sunday moves on to the next day.
        const QDate weekBefore = end.addDays(-7);
        return {weekBefore.addDays(1 - weekBefore.dayOfWeek() % 7), end};
    }
    case 3: {
        // Counted from today, so that on the 1st the period is exactly the month just ended.
        const QDate monthBefore = today.addMonths(-1);
        return {QDate(monthBefore.year(), monthBefore.month(), 1), end};
    }
    default:
        return {QDate(), end};
    }
}

void frmBackupRestore::Load() {
    m_bConfirmed = false;
    const auto [from, to] = DefaultPeriod(DbmsClock::Today(), m_settings.BkpSaveNotify);
    txtFromDate->setText(from.toString(kDateFormat));
    txtToDate->setText(to.toString(kDateFormat));
    // A reminder period offers its period ready to go; without one, a copy of everything.
    (from.isValid() ? optMovData : optAllData)->setChecked(true);
    chkRemoveData->setChecked(false);
    chkArticoli->setChecked(false);
    EnableControls();
}

void frmBackupRestore::EnableControls() {
    const bool period = !optAllData->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{
             txtFromDate, txtToDate, chkRemoveData, chkArticoli, cmdSelFromDate, cmdSelToDate})
        control->setEnabled(period);
}

void frmBackupRestore::SelectDate(QLineEdit* field) {
    frmDateSetting picker(this);
    const QVariant chosen = picker.SetDate(ParseDate(field->text()), -1, -1);
    if (!chosen.isValid()) return;
    field->setText(chosen.toDate().toString(kDateFormat));
}

void frmBackupRestore::cmdExecute_Click() {
    const bool allData = optAllData->isChecked();
    // The texts are what counts: a date typed by hand as much as one picked.
    const QDate from = ParseDate(txtFromDate->text());
    const QDate to = ParseDate(txtToDate->text());
    // All the data leaves the period unused, whatever its fields hold.
    QLineEdit* wrong = allData           ? nullptr
                       : !from.isValid() ? txtFromDate
                       : !to.isValid()   ? txtToDate
                       : from > to       ? txtFromDate
                                         : nullptr;
    if (wrong) {
        ShowMessage(this, "Periodo impostato non corretto", PromptIcon::Exclamation);
        wrong->setFocus();
        return;
    }
    m_blnAllData = allData;
    m_vntFromDateSel = from;
    m_vntToDateSel = to;
    m_blnDelData = chkRemoveData->isChecked();
    m_blnCopy_Articoli = chkArticoli->isChecked();
    m_bConfirmed = true;
    accept();
}
