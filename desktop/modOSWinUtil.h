#pragma once
// The two platform wrappers the windows share: testing a path, and opening a document, web
// address or mail link with the program the desktop associates with it.

#include <QString>

namespace modOSWinUtil {

// Attribute bits of FileExists and SetFileAttributes. Read-only, hidden and system all stand
// for the owner-read-only permission (0400); a name starting with "." also counts as hidden.
namespace FileAttr {
constexpr quint16 Normal = 0;
constexpr quint16 ReadOnly = 1;
constexpr quint16 Hidden = 2;
constexpr quint16 System = 4;
constexpr quint16 Directory = 16;
} // namespace FileAttr

// True when something exists at `path` and, unless `mask` is 0, it has at least one of the
// mask's attributes. Never throws and leaves no error behind.
bool FileExists(const QString& path, quint16 mask);

// Gives the file the read-only/hidden/system protection when `attributes` holds any of those
// bits, and takes it away otherwise. False when the file cannot be changed.
bool SetFileAttributes(const QString& path, quint16 attributes);

// Asks the desktop to open `target`: a URL with a scheme (http, mailto, file, ...) or a file
// path, relative to `folder` when one is given. True when the desktop accepted the request;
// a missing file or an operation other than "open" is refused. The parameters and the
// minimised flag have no meaning for the desktop's openers and are ignored.
bool ShellExec(const QString& target, const QString& operation, const QString& parameters,
               const QString& folder, bool minimised);

} // namespace modOSWinUtil
