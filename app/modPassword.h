#pragma once
// The login password: its scrambling and the file that keeps it, "prtct1.sys" in the program's
// own folder. The file holds the scrambled password and nothing else; no file, or an empty one,
// means no password.

#include <QByteArray>
#include <QString>

namespace modPassword {

// One byte per character, Latin-1; the two directions are exact inverses for any bytes. A clear
// text that is empty or only blanks scrambles to the empty text, which means "no password".
// Unscrambling applies no such rule, so a password whose scrambled bytes happen to be blanks
// (e.g. "@@") still unscrambles to itself.
QByteArray Scramble(const QByteArray& clear);
QByteArray Unscramble(const QByteArray& scrambled);

// Whether every character of the text has a Latin-1 code (the file holds one byte per character).
bool IsLatin1(const QString& text);

// "prtct1.sys" in the program's own folder (AppDir()).
QString PasswordFile();

// The stored (scrambled) password; empty when there is no file or it is empty. Throws
// std::runtime_error (with an Italian description) when the file is there but cannot be read.
QByteArray ReadStored();

// Writes the scrambled password as the whole file: written beside the old one and renamed over
// it, so a failure keeps the old password; the new file gets owner read-only permission (0400).
// Throws std::runtime_error (with an Italian description) when the file cannot be written.
void WriteStored(const QByteArray& scrambled);

} // namespace modPassword
