#include "clsSingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace {

QString LockFolder() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

} // namespace

clsSingleInstance::clsSingleInstance(const QString& name)
    : m_Lock(std::make_unique<QLockFile>(QDir(LockFolder()).filePath(name + ".lock"))) {
    // A running copy holds the lock for days: only a dead owner makes it stale, never its age.
    m_Lock->setStaleLockTime(0);
}

clsSingleInstance::~clsSingleInstance() = default;

bool clsSingleInstance::TryLock() {
    if (m_Lock->isLocked()) return true;
    if (m_Lock->tryLock(0)) return true;
    return m_Lock->error() != QLockFile::LockFailedError;
}

QString clsSingleInstance::LockPath() const {
    return m_Lock->fileName();
}

QString SecondInstanceMessage() {
    return "L'applicazione e' stata gia' avviata\r\rControlla la barra dei menu' per la "
           "riattivazione premendo doppio click sull'icona corrispondente...";
}
