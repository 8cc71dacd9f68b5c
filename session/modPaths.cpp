#include "modPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace modPaths {

QString MakeFilePath(const QString& folder, const QString& name, const QString& extension) {
    QString result = name;
    if (!extension.isEmpty()) {
        const qsizetype dot = result.indexOf('.');
        if (dot >= 0) result.truncate(dot);
        result += '.' + extension;
    }
    if (!folder.isEmpty()) {
        if (!folder.endsWith('\\') && !folder.endsWith('/')) result.prepend('/');
        result.prepend(folder);
    }
    return result;
}

namespace {

QString ExecutableDir() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    // Before the application object exists (tools, tests) the kernel still knows who we are.
    return QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).absolutePath();
}

QString Created(const QString& path) {
    QDir().mkpath(path);
    return path;
}

} // namespace

QString AppDir() {
    const QString home = qEnvironmentVariable("TESSARIN_HOME");
    if (!home.isEmpty()) return Created(QDir::cleanPath(QFileInfo(home).absoluteFilePath()));

    // An installed program usually sits in a folder only root may write to; its files then go
    // to the user's data folder instead. The install rules put the menu entry beside bin/, which
    // tells an installed copy apart even for root, who may write anywhere.
    const QString executableDir = ExecutableDir();
    const bool installed =
        QFileInfo::exists(executableDir + "/../share/applications/it.tessarin.Tessarin.desktop");
    if (!executableDir.isEmpty() && !installed && QFileInfo(executableDir).isWritable())
        return executableDir;
    return Created(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                   "/Tessarin");
}

} // namespace modPaths
