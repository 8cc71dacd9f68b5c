#include "frmAbout.h"

#include "frmInformative.h"
#include "itfPrompter.h"
#include "modAppInfo.h"
#include "modOSWinUtil.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

// The program's mark: a loyalty card with the initial and a magnetic stripe.
QPixmap DrawLogo() {
    QPixmap pix(64, 64);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x5f, 0x9e));
    p.drawRoundedRect(QRectF(2, 12, 60, 40), 5, 5);
    p.setBrush(QColor(0xe8, 0xb9, 0x3b));
    p.drawRect(QRectF(2, 20, 60, 6));
    QFont font = p.font();
    font.setPixelSize(22);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(2, 26, 60, 26), Qt::AlignCenter, "T");
    return pix;
}

QPushButton* Button(QWidget* owner, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, owner);
    button->setObjectName(name);
    return button;
}

QLabel* Label(QWidget* owner, const char* name, const QString& text) {
    auto* label = new QLabel(text, owner);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget* owner, const QString& title)
    : QDialog(owner), m_strTitle(title.trimmed().isEmpty() ? modAppInfo::ProductName() : title) {
    setObjectName("frmAbout");
    setWindowTitle(m_strTitle);

    imgLogo = Label(this, "imgLogo", {});
    imgLogo->setPixmap(DrawLogo());
    imgLogo->setCursor(Qt::PointingHandCursor);
    lblTitle = Label(this, "lblTitle", m_strTitle);
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = Label(this, "lblVersion", modAppInfo::VersionText());
    lblDescription = Label(this, "lblDescription", modAppInfo::FileDescription());
    lblDescription->setWordWrap(true);
    lblWeb = Label(this, "lblWeb", modAppInfo::WebAddress());
    QFont link = lblWeb->font();
    link.setUnderline(true);
    lblWeb->setFont(link);
    QPalette linkColours = lblWeb->palette();
    linkColours.setColor(QPalette::WindowText, linkColours.color(QPalette::Link));
    lblWeb->setPalette(linkColours);
    lblWeb->setCursor(Qt::PointingHandCursor);

    cmdOk = Button(this, "cmdOk", "OK");
    cmdOk->setDefault(true);
    cmdSysInfo = Button(this, "cmdSysInfo", "&Info di sistema...");
    cmdInformativa = Button(this, "cmdInformativa", "&Informativa...");

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(lblDescription);
    text->addWidget(lblWeb);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(imgLogo, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdInformativa);
    buttons->addStretch();
    buttons->addWidget(cmdSysInfo);
    buttons->addWidget(cmdOk);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(line);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    imgLogo->installEventFilter(this);
    lblWeb->installEventFilter(this);
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
    connect(cmdInformativa, &QPushButton::clicked, this, &frmAbout::cmdInformativa_Click);
}

void frmAbout::ShowAbout(QWidget* owner) {
    frmAbout box(owner);
    Prompter().Exec(box);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == lblWeb) {
            lblWeb_Click();
            return true;
        }
        if (watched == imgLogo) {
            imgLogo_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::lblWeb_Click() {
    modOSWinUtil::ShellExec(lblWeb->text(), "open", "", "", false);
}

void frmAbout::imgLogo_Click() {
    ShowMessage(this, modAppInfo::VendorContact(), PromptIcon::Information);
}

void frmAbout::cmdInformativa_Click() {
    frmInformative notice(this, modAppInfo::VendorName());
    notice.SetReadOnly();
    notice.AcceptInformative(); // shown for reading: there is nothing to accept
}

QStringList frmAbout::DefaultSysInfoTools() {
    return {"hardinfo", "gnome-system-monitor", "kinfocenter", "xfce4-taskmanager", "lxtask"};
}

QString frmAbout::FindSysInfoTool(const QStringList& candidates) {
    for (const QString& name : candidates) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) return path;
    }
    return {};
}

void frmAbout::StartSysInfo() {
    const QString tool = FindSysInfoTool();
    if (tool.isEmpty()) {
        ShowMessage(this, "System Information Is Unavailable At This Time", PromptIcon::None,
                    PromptButtons::Ok, PromptAnswer::Ok, modAppInfo::ProductName());
        return;
    }
    QProcess::startDetached(tool, {}); // a tool that fails to start is not worth a message
}
