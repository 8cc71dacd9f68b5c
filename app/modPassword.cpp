#include "modPassword.h"

#include "modOSWinUtil.h"
#include "modPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace modPassword {

namespace {

constexpr quint16 kProtection = modOSWinUtil::FileAttr::ReadOnly | modOSWinUtil::FileAttr::Hidden |
                                modOSWinUtil::FileAttr::System;

bool IsBlank(const QByteArray& text) {
    for (const char c : text)
        if (c != ' ') return false;
    return true;
}

[[noreturn]] void Fail(const QString& description) {
    throw std::runtime_error(description.toStdString());
}

// Writes `bytes` beside `path` and renames them over it; on failure `path` is left as it was.
bool SaveWhole(const QString& path, const QByteArray& bytes, QString& reason) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
        return false;
    }
    // Flushed here: a write error met only by the commit's own flush does not stop the rename.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        reason = file.errorString();
        file.cancelWriting();
    }
    if (file.commit()) return true;
    if (reason.isEmpty()) reason = file.errorString();
    return false;
}

} // namespace

QByteArray Scramble(const QByteArray& clear) {
    if (IsBlank(clear)) return {};
    const quint8 flip = clear.size() % 2 ? 0x80 : 0;
    QByteArray result(clear.size(), '\0');
    for (qsizetype i = 0; i < clear.size(); ++i) {
        const auto code = static_cast<quint8>(clear[i]);
        quint8 low = (code & 1) ? 0x80 : 0;
        // Position i + 1 counts from 1: the odd positions are the even indexes.
        if (i % 2 == 0) low ^= flip;
        result[i] = static_cast<char>((code >> 1) | low);
    }
    return result;
}

QByteArray Unscramble(const QByteArray& scrambled) {
    const quint8 flip = scrambled.size() % 2 ? 1 : 0;
    QByteArray result(scrambled.size(), '\0');
    for (qsizetype i = 0; i < scrambled.size(); ++i) {
        const auto code = static_cast<quint8>(scrambled[i]);
        quint8 low = (code & 0x80) ? 1 : 0;
        if (i % 2 == 0) low ^= flip;
        result[i] = static_cast<char>(((code & 0x7F) << 1) | low);
    }
    return result;
}

bool IsLatin1(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() > 0xFF) return false;
    return true;
}

QString PasswordFile() {
    return modPaths::MakeFilePath(modPaths::AppDir(), "prtct1.sys", "");
}

QByteArray ReadStored() {
    const QString path = PasswordFile();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return {};
    // A password that cannot be read cannot be checked: that is no licence to let anyone in.
    QFile file(path);
    const QByteArray stored = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (file.error() != QFile::NoError)
        Fail("Impossibile leggere il file della password " + path + ": " + file.errorString());
    return stored;
}

void WriteStored(const QByteArray& scrambled) {
    const QString path = PasswordFile();
    // Written beside the old file and renamed over it, so a failure on the way leaves the old
    // password in place. QSaveFile will not replace a file it may not write: the old one loses
    // its protection first and gets it back when the new one cannot be written.
    const bool existed = QFileInfo(path).isFile();
    if (existed && !modOSWinUtil::SetFileAttributes(path, modOSWinUtil::FileAttr::Normal))
        Fail("Impossibile modificare il file della password " + path + ".");
    QString reason;
    if (!SaveWhole(path, scrambled, reason)) {
        if (existed) modOSWinUtil::SetFileAttributes(path, kProtection);
        Fail("Impossibile scrivere il file della password " + path + ": " + reason);
    }
    if (!modOSWinUtil::SetFileAttributes(path, kProtection))
        Fail("Impossibile proteggere il file della password " + path + ".");
}

} // namespace modPassword
