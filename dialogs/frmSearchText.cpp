#include "frmSearchText.h"

#include "itfPrompter.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kDefaultCaption = "Cerca";
frmSearchText* g_instance = nullptr;
} // namespace

frmSearchText& frmSearchText::Instance() {
    if (!g_instance) {
        g_instance = new frmSearchText;
        // A top-level widget must go before the application does.
        qAddPostRoutine([] {
            delete g_instance;
            g_instance = nullptr;
        });
    }
    return *g_instance;
}

frmSearchText::frmSearchText() : QDialog(nullptr) {
    setObjectName("frmSearchText");
    setWindowTitle(kDefaultCaption);

    lblFieldName = new QLabel(this);
    lblFieldName->setObjectName("lblFieldName");
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName("txtSearch");
    txtSearch->setMinimumWidth(260);
    lblFieldName->setBuddy(txtSearch);
    chkInternal = new QCheckBox("Ricerca &interna (contiene)", this);
    chkInternal->setObjectName("chkInternal");
    cmdOk = new QPushButton("&OK", this);
    cmdOk->setObjectName("cmdOk");
    cmdNext = new QPushButton("&Successivo", this);
    cmdNext->setObjectName("cmdNext");
    cmdCancel = new QPushButton("&Annulla", this);
    cmdCancel->setObjectName("cmdCancel");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdNext);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblFieldName);
    layout->addWidget(txtSearch);
    layout->addWidget(chkInternal);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // "Contains" one character would match nearly every row.
    connect(txtSearch, &QLineEdit::textChanged, this,
            [this](const QString& text) { chkInternal->setEnabled(text.size() >= 2); });
    txtSearch->installEventFilter(this);
    connect(cmdOk, &QPushButton::clicked, this, [this] { Confirm(false); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { Confirm(true); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    Load();
}

frmSearchText::~frmSearchText() = default;

bool frmSearchText::GetSelection(QWidget* owner, const QString& fieldCaption, bool internalVisible,
                                 bool nextVisible, bool& confirmed) {
    Load();
    lblFieldName->setText(fieldCaption);
    chkInternal->setHidden(!internalVisible);
    cmdNext->setHidden(!nextVisible);
    // Owned by the window that asks only while it asks: the dialog outlives every window.
    setParent(owner, windowFlags());
    Prompter().Exec(*this);
    setParent(nullptr, windowFlags());
    setWindowTitle(kDefaultCaption);
    confirmed = m_blnConfirmed;
    return confirmed;
}

void frmSearchText::SetLast(const QString& fieldCaption, const QString& text) {
    m_strLastFieldCaption = fieldCaption;
    m_strLastText = text;
}

void frmSearchText::Load() {
    txtSearch->clear();
    chkInternal->setChecked(false);
    m_strResultText.clear();
    m_blnInternal = false;
    m_blnConfirmed = false;
    m_blnNext = false;
}

void frmSearchText::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QPushButton* byDefault = cmdOk;
    // Back on the field searched last: offer the same text, ready for the next occurrence.
    if (lblFieldName->text() == m_strLastFieldCaption) {
        txtSearch->setText(m_strLastText);
        if (!cmdNext->isHidden()) byDefault = cmdNext;
    }
    for (QPushButton* button : {cmdOk, cmdNext, cmdCancel})
        button->setDefault(button == byDefault);
    txtSearch->setFocus();
    txtSearch->selectAll();
    // After the focus has come in (which selects the text), over what it offers.
    if (!m_strTypedAhead.isEmpty())
        QMetaObject::invokeMethod(
            this, [this, typed = m_strTypedAhead] { txtSearch->insert(typed); },
            Qt::QueuedConnection);
}

void frmSearchText::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_F2:
        if (chkInternal->isEnabled() && !chkInternal->isHidden()) chkInternal->toggle();
        event->accept();
        return;
    case Qt::Key_F3:
        if (!cmdNext->isHidden()) cmdNext->click();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

bool frmSearchText::eventFilter(QObject* watched, QEvent* event) {
    // What was typed before the dialog opened stays as typed: the next key goes after it.
    if (watched == txtSearch && event->type() == QEvent::FocusIn && m_strTypedAhead.isEmpty())
        txtSearch->selectAll();
    return QDialog::eventFilter(watched, event);
}

void frmSearchText::Confirm(bool next) {
    m_strResultText = txtSearch->text();
    m_blnInternal = chkInternal->isChecked();
    m_blnConfirmed = true;
    m_blnNext = next;
    SetLast(lblFieldName->text(), m_strResultText);
    accept();
}
