#include "modAppInfo.h"

namespace modAppInfo {

QString VersionNumber() {
    return QString("%1.%2.%3")
        .arg(TESSARIN_VERSION_MAJOR)
        .arg(TESSARIN_VERSION_MINOR)
        .arg(TESSARIN_VERSION_PATCH);
}

QString VersionText() {
    return "Version " + VersionNumber();
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
