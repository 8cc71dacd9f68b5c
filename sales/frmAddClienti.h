#pragma once
// "Aggiunta Clienti": customers added by code alone, one card after another, typed or read
// by the barcode reader.

#include <QDialog>
#include <functional>

class clsArchiveSession;
class clsSettings;
class QLineEdit;
class QPushButton;

class frmAddClienti : public QDialog {
    Q_OBJECT
public:
    // `setBarcodeControl` makes a text box the target of barcode reads (nullptr: none); the
    // main window's SetBarcodeControl.
    using BarcodeTarget = std::function<void(QLineEdit*)>;
    // Customers are added to `session`'s archive; `settings` serves the error report.
    frmAddClienti(clsArchiveSession& session, const clsSettings& settings, QWidget* owner = nullptr,
                  BarcodeTarget setBarcodeControl = {});
    ~frmAddClienti() override;

    // Runs the window modally over `owner` until the user closes it.
    static void ShowModal(QWidget* owner, clsArchiveSession& session, const clsSettings& settings,
                          BarcodeTarget setBarcodeControl);

    QLineEdit* txtCode_Cliente;
    QPushButton* cmdAutoAdd;

    // Every way of closing ends here: the reader's target is given back.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Activate();
    void CodeChanged(const QString& text);
    void AutoAdd();
    void AddCode(const QString& code);

    clsArchiveSession& m_session;
    const clsSettings& m_settings;
    BarcodeTarget m_setBarcodeControl;
};
