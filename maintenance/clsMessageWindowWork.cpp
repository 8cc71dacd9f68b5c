#include "clsMessageWindowWork.h"

#include "frmMessage.h"

void clsMessageWindowWork::Show(const QString& text, QWidget* owner) {
    frmMessage::Instance().ShowMsg(text, owner);
}

itfProgress& clsMessageWindowWork::Progress() {
    return frmMessage::Instance();
}

void clsMessageWindowWork::StartSteps(qint64 steps) {
    frmMessage::Instance().StartProgress(steps, true);
}

bool clsMessageWindowWork::Step() {
    return frmMessage::Instance().Progress(0, false);
}

void clsMessageWindowWork::Unload() {
    frmMessage::Unload();
}
