#include "modAppInfo.h"

namespace modAppInfo {

QString VersionText() {
    return QString("Version %1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

QString ProductName() {
    return "Tessarin";
}

QString FileDescription() {
    return "Tessarin - Fidelity card per agenzie di viaggio";
}

QString VendorName() {
    return "Tessarin Software";
}

QString WebAddress() {
    return "https://tessarin.example.org";
}

QString VendorContact() {
    return VendorName() + "\r" + WebAddress() + "\r" +
           "Assistenza: assistenza@tessarin.example.org";
}

} // namespace modAppInfo
