#include "frmSelectDir.h"

#include "itfPrompter.h"

bool frmSelectDir::Show(QWidget* owner) {
    SelectedDir = Prompter().ExistingFolder(owner, "Seleziona indirizzario", SelectedDir);
    return !SelectedDir.isEmpty();
}
