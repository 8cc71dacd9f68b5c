#pragma once
// The base of the engine's windows that store something on OK: OK first stores, and when
// storing fails the user has been told why and the window stays open. Enter presses OK,
// Esc cancels.

#include <QDialog>

class QDialogButtonBox;

class DbmsConfirmDialog : public QDialog {
    Q_OBJECT
public:
    explicit DbmsConfirmDialog(QWidget* owner);

    // Runs the window modally through the prompter: Accepted only once what it holds is
    // stored, however the window was closed.
    int Run();
    bool Stored() const { return m_stored; }

    void accept() override;

protected:
    // Stores what the user did; false (after telling the user) when it cannot.
    virtual bool Store() = 0;
    // The OK/cancel buttons, named cmdOK and cmdCancel; OK is the default button.
    QDialogButtonBox* MakeButtons(const QString& okText, const QString& cancelText);

private:
    bool m_stored = false;
};
