#pragma once
// The program's identity, shared by the splash window and the about box.

#include <QString>

namespace modAppInfo {

// The project's version in CMakeLists.txt, the only place it is written: "2.0.61".
QString VersionNumber();
// "Version 2.0.61"
QString VersionText();
QString ProductName();
QString FileDescription();
// Who answers for the program: the default holder name of the notice.
QString VendorName();
QString WebAddress();
// The vendor's contact lines, separated by "\r".
QString VendorContact();

} // namespace modAppInfo
