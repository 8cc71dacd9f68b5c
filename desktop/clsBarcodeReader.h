#pragma once
// The barcode reader on a serial port: the port itself, its line settings written the old way
// ("9600,n,8,1"), and the cutting of the received characters into codes.

#include <QObject>
#include <QSerialPort>
#include <QString>
#include <optional>

// The characters received and not yet ended by a line end.
class clsBarcodeBuffer {
public:
    // A code that runs this long without a line end is not a card: it is dropped up to the
    // next line end, so a reader gone wild cannot fill the memory.
    static constexpr qsizetype MaxCode = 4096;

    void Append(const QString& text);
    // The next code: the text before the first carriage return (or, without one, the first
    // line feed); a line feed right after the line end goes with it, and empty codes (line
    // ends in a row) are skipped. Empty when no complete code is left: the caller stops
    // reading until more characters arrive.
    QString ReadCode();
    void Clear();
    // Whether a too-long code was dropped since the last call (reported once).
    bool TakeDropped();
    qsizetype Size() const { return m_text.size(); }

private:
    QString m_text;
    bool m_discarding = false; // dropping a too-long code up to its line end
    bool m_dropped = false;
};

// The serial line settings: speed, parity, data bits, stop bits.
struct clsSerialSettings {
    qint32 Baud = 9600;
    QSerialPort::Parity Parity = QSerialPort::NoParity;
    QSerialPort::DataBits DataBits = QSerialPort::Data8;
    QSerialPort::StopBits StopBits = QSerialPort::OneStop;

    // "9600,n,8,1": parity n/e/o/m/s, 7 or 8 data bits, 1 or 2 stop bits. A text that is not
    // exactly that gives nothing, and `error` says why (in Italian, for the user).
    static std::optional<clsSerialSettings> Parse(const QString& text, QString* error);
};

class clsBarcodeReader : public QObject {
    Q_OBJECT
public:
    explicit clsBarcodeReader(QObject* parent = nullptr);

    // The device of port COMn: `device` when given (a pty in tests, a USB adapter), else the
    // n-th serial port of the machine.
    static QString DeviceFor(int portNumber, const QString& device);

    // Opens the port; false with `error` set when the settings are wrong or the port cannot be
    // opened.
    bool Open(int portNumber, const QString& settings, const QString& device, QString* error);
    void Close();
    bool IsOpen() const;
    // Reads every character waiting (as one byte each) into the buffer.
    void ReadWaiting();
    // Drops every character waiting and everything buffered.
    void Flush();
    clsBarcodeBuffer& Buffer() { return m_buffer; }

signals:
    // Characters have arrived (any number: part of a code, or several).
    void Received();

private:
    QSerialPort m_port;
    clsBarcodeBuffer m_buffer;
};
