#include "modOSWinUtil.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace modOSWinUtil {

namespace {

constexpr quint16 kProtected = FileAttr::ReadOnly | FileAttr::Hidden | FileAttr::System;

quint16 AttributesOf(const QFileInfo& info) {
    quint16 attributes = FileAttr::Normal;
    if (info.isDir()) attributes |= FileAttr::Directory;
    if (!(info.permissions() & QFileDevice::WriteOwner)) attributes |= kProtected;
    if (info.fileName().startsWith('.')) attributes |= FileAttr::Hidden;
    return attributes;
}

} // namespace

bool FileExists(const QString& path, quint16 mask) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    if (!info.exists()) return false;
    return mask == 0 || (AttributesOf(info) & mask) != 0;
}

bool SetFileAttributes(const QString& path, quint16 attributes) {
    QFile file(path);
    if (!file.exists()) return false;
    if (attributes & kProtected) return file.setPermissions(QFileDevice::ReadOwner);
    return file.setPermissions(file.permissions() | QFileDevice::ReadOwner |
                               QFileDevice::WriteOwner);
}

bool ShellExec(const QString& target, const QString& operation, const QString& parameters,
               const QString& folder, bool minimised) {
    Q_UNUSED(parameters);
    Q_UNUSED(minimised);
    if (target.isEmpty()) return false;
    // The desktop's openers know one verb only; an empty one means the default, "open".
    if (!operation.isEmpty() && operation.compare("open", Qt::CaseInsensitive) != 0) return false;

    // A one-letter scheme is a drive letter of a path, not a URL.
    const QUrl asUrl(target);
    if (asUrl.isValid() && asUrl.scheme().size() > 1) return QDesktopServices::openUrl(asUrl);

    const QFileInfo file(folder.isEmpty() ? target : QDir(folder).filePath(target));
    if (!file.exists()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
}

} // namespace modOSWinUtil
