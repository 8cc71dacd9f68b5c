// Characters from the barcode reader, in any pieces, cut into codes; the code in a text field;
// the port's line settings as typed in the store.
#include "FuzzSupport.h"

#include "clsBarcodeReader.h"
#include "modCode.h"

#include <cstdint>

namespace {

bool HasLineEnd(const QString& text) {
    return text.contains('\r') || text.contains('\n');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The pieces the port delivers are separated by a zero byte. A piece "\x01 c n" stands for
    // the character c repeated n * 64 times, so that long runs cost few input bytes.
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    clsBarcodeBuffer buffer;
    QString received;
    for (const QByteArray& piece : input.split('\0')) {
        QString text = QString::fromLatin1(piece);
        if (piece.size() == 3 && piece[0] == '\x01')
            text = QString(qsizetype(quint8(piece[2])) * 64, QChar(quint8(piece[1])));
        received += text;
        buffer.Append(text);
        for (QString code = buffer.ReadCode(); !code.isEmpty(); code = buffer.ReadCode()) {
            // The first carriage return ends a code; a line feed ends one only when no
            // carriage return is waiting, so a code may hold a line feed.
            FUZZ_EXPECT(!code.contains('\r'), code);
            FUZZ_EXPECT(code.size() <= clsBarcodeBuffer::MaxCode, QString::number(code.size()));
        }
        FUZZ_EXPECT(buffer.Size() <= clsBarcodeBuffer::MaxCode + text.size(),
                    QString::number(buffer.Size()));
    }

    const QString code = ExtractCode(received);
    FUZZ_EXPECT(received.startsWith(code) && !HasLineEnd(code), code);
    FUZZ_EXPECT(code.isEmpty() || received.at(code.size()) == '\r' ||
                    received.at(code.size()) == '\n',
                code);

    QString error;
    const auto settings = clsSerialSettings::Parse(received, &error);
    FUZZ_EXPECT(settings ? settings->Baud > 0 : !error.isEmpty(), received);
    return 0;
}
