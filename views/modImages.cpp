#include "modImages.h"

#include <QApplication>
#include <QHash>
#include <QStyle>

namespace {

// The style decodes its pictures anew on every request; the tree and the toolbar ask for
// the same few each time the window is built, so each is made once.
QIcon Standard(QStyle::StandardPixmap pixmap) {
    static QHash<int, QIcon> made;
    auto it = made.find(pixmap);
    if (it == made.end()) it = made.insert(pixmap, QApplication::style()->standardIcon(pixmap));
    return *it;
}

} // namespace

QIcon SectionImage(const QString& key) {
    if (key == "Report") return Standard(QStyle::SP_FileDialogListView);
    if (key == "ReportElement") return Standard(QStyle::SP_FileDialogDetailedView);
    if (key == "Archive") return Standard(QStyle::SP_DriveHDIcon);
    if (key == "OperationElement") return Standard(QStyle::SP_FileIcon);
    if (key == "Anagrafic") return Standard(QStyle::SP_DirHomeIcon);
    if (key == "AnagraficCliFor") return Standard(QStyle::SP_DirIcon);
    if (key == "Article") return Standard(QStyle::SP_FileDialogContentsView);
    if (key == "Operation") return Standard(QStyle::SP_ComputerIcon);
    return {};
}

QIcon ToolbarImage(const QString& key) {
    if (key == "BarcodeReader") return Standard(QStyle::SP_DriveNetIcon);
    if (key == "Related") return Standard(QStyle::SP_FileLinkIcon);
    if (key == "Save") return Standard(QStyle::SP_DialogSaveButton);
    if (key == "New") return Standard(QStyle::SP_FileDialogNewFolder);
    if (key == "Properties") return Standard(QStyle::SP_FileDialogInfoView);
    if (key == "Delete") return Standard(QStyle::SP_TrashIcon);
    if (key == "Find") return Standard(QStyle::SP_FileDialogContentsView);
    if (key == "Filter") return Standard(QStyle::SP_FileDialogListView);
    if (key == "Print") return Standard(QStyle::SP_ComputerIcon);
    if (key == "Sale") return Standard(QStyle::SP_DialogApplyButton);
    return {};
}
