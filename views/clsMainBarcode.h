#pragma once
// The barcode reader on the serial port: switched on and off from the main window, its codes
// typed into the field the active window has registered.

#include <QLineEdit>
#include <QPointer>
#include <functional>

class clsBarcodeReader;
class clsSettings;
class QWidget;

class clsMainBarcode {
public:
    // `status` shows a text on the status line, `shown` the reader's state on the toolbar
    // button and the menu.
    clsMainBarcode(QWidget& window, clsBarcodeReader& reader, clsSettings& settings,
                   std::function<void(const QString&)> status, std::function<void(bool)> shown)
        : m_window(window), m_reader(reader), m_settings(settings), m_status(std::move(status)),
          m_shown(std::move(shown)) {}

    // Opens or closes the port, flushing what waits; the choice is saved.
    void SetEnabled(bool enable);
    // The reader's notification: cuts what arrived into codes and types each into Target.
    void OnComm();

    QPointer<QLineEdit> Target;

private:
    void ShowState(bool enabled);

    QWidget& m_window;
    clsBarcodeReader& m_reader;
    clsSettings& m_settings;
    std::function<void(const QString&)> m_status;
    std::function<void(bool)> m_shown;
    bool m_blnBusy = false;
};
