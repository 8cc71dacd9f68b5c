#pragma once
// "Aggiunta Clienti": customers added by code alone, one card after another, typed or read
// by the barcode reader.

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

class frmAddClienti : public QDialog {
    Q_OBJECT
public:
    // `setBarcodeControl` makes a text box the target of barcode reads (nullptr: none); the
    // main window's SetBarcodeControl.
    using BarcodeTarget = std::function<void(QLineEdit*)>;
    explicit frmAddClienti(QWidget* owner = nullptr, BarcodeTarget setBarcodeControl = {});
    ~frmAddClienti() override;

    // Runs the window modally over `owner` until the user closes it.
    static void ShowModal(QWidget* owner, BarcodeTarget setBarcodeControl);

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

    BarcodeTarget m_setBarcodeControl;
};
