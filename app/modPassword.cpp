#include "modPassword.h"

#include "modGlobal.h"
#include "modOSWinUtil.h"

#include <QFile>

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
    return modGlobal::MakeFilePath(modGlobal::AppDir(), "prtct1.sys", "");
}

QByteArray ReadStored() {
    QFile file(PasswordFile());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

void WriteStored(const QByteArray& scrambled) {
    const QString path = PasswordFile();
    if (modOSWinUtil::FileExists(path, 0)) {
        modOSWinUtil::SetFileAttributes(path, modOSWinUtil::FileAttr::Normal);
        if (!QFile::remove(path))
            Fail("Impossibile eliminare il file della password " + path + ".");
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(scrambled) != scrambled.size() ||
        !file.flush())
        Fail("Impossibile scrivere il file della password " + path + ": " + file.errorString());
    file.close();
    if (!modOSWinUtil::SetFileAttributes(path, kProtection))
        Fail("Impossibile proteggere il file della password " + path + ".");
}

} // namespace modPassword
