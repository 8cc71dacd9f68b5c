#include "clsBarcodeReader.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

// --- buffer ---

void clsBarcodeBuffer::Append(const QString& text) {
    const qsizetype from = m_text.size();
    m_text += text;
    if (m_discarding) {
        // Still inside a dropped code: everything up to its line end goes; the codes before
        // it stay.
        const qsizetype end = m_text.indexOf(QRegularExpression("[\r\n]"), from);
        if (end < 0) {
            m_text.truncate(from);
            return;
        }
        qsizetype next = end + 1;
        if (next < m_text.size() && m_text.at(next) == '\n') ++next;
        m_text.remove(from, next - from);
        m_discarding = false;
    }
    // What follows the last line end is a code still arriving; past the limit it goes.
    const qsizetype lastEnd = std::max(m_text.lastIndexOf('\r'), m_text.lastIndexOf('\n'));
    if (m_text.size() - (lastEnd + 1) > MaxCode) {
        m_text.truncate(lastEnd + 1);
        m_discarding = true;
        m_dropped = true;
    }
}

QString clsBarcodeBuffer::ReadCode() {
    // Two line ends in a row hold no card: skipped, so that the code behind them is read now
    // and not one card late, at the next notification.
    for (;;) {
        qsizetype end = m_text.indexOf('\r');
        if (end < 0) end = m_text.indexOf('\n');
        if (end < 0) return {};
        const QString code = m_text.left(end);
        qsizetype next = end + 1;
        if (next < m_text.size() && m_text.at(next) == '\n') ++next;
        m_text.remove(0, next);
        // Its end came in time to keep it in the buffer, but it is still no card.
        if (code.size() > MaxCode) {
            m_dropped = true;
            continue;
        }
        if (!code.isEmpty()) return code;
    }
}

void clsBarcodeBuffer::Clear() {
    m_text.clear();
    m_discarding = false;
}

bool clsBarcodeBuffer::TakeDropped() {
    const bool dropped = m_dropped;
    m_dropped = false;
    return dropped;
}

// --- line settings ---

std::optional<clsSerialSettings> clsSerialSettings::Parse(const QString& text, QString* error) {
    const auto fail = [error](const QString& why) -> std::optional<clsSerialSettings> {
        if (error) *error = why;
        return std::nullopt;
    };
    const QStringList parts = text.split(',');
    if (parts.size() != 4)
        return fail("i parametri della porta devono essere quattro, separati da virgole "
                    "(velocità,parità,bit di dati,bit di stop; per esempio 9600,n,8,1): \"" +
                    text + "\"");
    clsSerialSettings s;
    bool ok = false;
    s.Baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.Baud <= 0) return fail("velocità non valida: \"" + parts[0].trimmed() + "\"");
    const QString parity = parts[1].trimmed().toLower();
    if (parity == "n")
        s.Parity = QSerialPort::NoParity;
    else if (parity == "e")
        s.Parity = QSerialPort::EvenParity;
    else if (parity == "o")
        s.Parity = QSerialPort::OddParity;
    else if (parity == "m")
        s.Parity = QSerialPort::MarkParity;
    else if (parity == "s")
        s.Parity = QSerialPort::SpaceParity;
    else
        return fail("parità non valida (n, e, o, m, s): \"" + parts[1].trimmed() + "\"");
    const QString data = parts[2].trimmed();
    if (data == "7")
        s.DataBits = QSerialPort::Data7;
    else if (data == "8")
        s.DataBits = QSerialPort::Data8;
    else
        return fail("bit di dati non validi (7 o 8): \"" + data + "\"");
    const QString stop = parts[3].trimmed();
    if (stop == "1")
        s.StopBits = QSerialPort::OneStop;
    else if (stop == "2")
        s.StopBits = QSerialPort::TwoStop;
    else
        return fail("bit di stop non validi (1 o 2): \"" + stop + "\"");
    return s;
}

// --- port ---

clsBarcodeReader::clsBarcodeReader(QObject* parent) : QObject(parent) {
    connect(&m_port, &QSerialPort::readyRead, this, &clsBarcodeReader::Received);
}

QString clsBarcodeReader::DeviceFor(int portNumber, const QString& device) {
    if (!device.trimmed().isEmpty()) return device.trimmed();
    return QString("/dev/ttyS%1").arg(portNumber - 1);
}

bool clsBarcodeReader::Open(int portNumber, const QString& settings, const QString& device,
                            QString* error) {
    const auto line = clsSerialSettings::Parse(settings, error);
    if (!line) return false;
    m_port.setPortName(DeviceFor(portNumber, device));
    if (!m_port.open(QIODevice::ReadOnly)) {
        if (error) *error = m_port.errorString();
        return false;
    }
    if (!m_port.setBaudRate(line->Baud) || !m_port.setParity(line->Parity) ||
        !m_port.setDataBits(line->DataBits) || !m_port.setStopBits(line->StopBits)) {
        if (error) *error = m_port.errorString();
        m_port.close();
        return false;
    }
    return true;
}

void clsBarcodeReader::Close() {
    m_port.close();
}

bool clsBarcodeReader::IsOpen() const {
    return m_port.isOpen();
}

void clsBarcodeReader::ReadWaiting() {
    if (m_port.isOpen() && m_port.bytesAvailable() > 0)
        m_buffer.Append(QString::fromLatin1(m_port.readAll()));
}

void clsBarcodeReader::Flush() {
    if (m_port.isOpen()) m_port.readAll();
    m_buffer.Clear();
}
