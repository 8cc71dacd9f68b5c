#pragma once
// The program's folder and the paths of its files.

#include <QString>

namespace modPaths {

// The full path of a file: `name` in `folder`, its extension replaced by `extension` when one
// is given. A folder that already ends in "\" or "/" gets no second separator; an empty folder
// leaves the bare name.
QString MakeFilePath(const QString& folder, const QString& name, const QString& extension);

// The program's own folder: $TESSARIN_HOME when set, else the executable's folder when we may
// write there, else the per-user data folder (created when missing).
QString AppDir();

} // namespace modPaths
