#include "clsBarcodeReader.h"

#include <gtest/gtest.h>

// Every code the buffer gives for one notification.
QStringList Codes(clsBarcodeBuffer& buffer) {
    QStringList codes;
    for (QString code = buffer.ReadCode(); !code.isEmpty(); code = buffer.ReadCode())
        codes << code;
    return codes;
}

TEST(BarcodeBuffer, LineEndsCutTheCodesEmptyOnesAreSkippedAndEndlessOnesDropped) {
    const struct {
        const char* Received;
        QStringList Codes;
    } steps[] = {
        {"123", {}}, // no line end yet: kept for later
        {"45\r\n", {"12345"}},
        {"A\rB\r", {"A", "B"}},
        {"X\n\nY\n", {"X", "Y"}}, // a line feed after a line end goes with it
        {"P\rQ\n", {"P", "Q"}},
        {"\rZ\r", {"Z"}}, // in the same notification, not one card late
        {"\r\n\r\r", {}},
        {" 7 \r", {" 7 "}}, // codes are not trimmed
    };
    clsBarcodeBuffer b;
    for (const auto& step : steps) {
        b.Append(step.Received);
        EXPECT_EQ(Codes(b), step.Codes) << step.Received;
    }
    EXPECT_EQ(b.Size(), 0);
    // A code without end is dropped past the limit.
    b.Append(QString(clsBarcodeBuffer::MaxCode, 'x'));
    EXPECT_FALSE(b.TakeDropped());
    b.Append("yy");
    EXPECT_TRUE(b.TakeDropped());
    EXPECT_FALSE(b.TakeDropped()); // said once
    EXPECT_EQ(b.Size(), 0);
    b.Append(QString(10000, 'z')); // still the same code: nothing is kept
    EXPECT_EQ(b.Size(), 0);
    b.Append("tail\r\nC01\r");
    EXPECT_EQ(Codes(b), QStringList{"C01"}); // the dropped code's tail goes with it
}

TEST(BarcodeBuffer, NoCodeLongerThanTheLimitGetsThrough) {
    const QString limit(clsBarcodeBuffer::MaxCode, 'x');
    // Each case: the pieces received, then "\rC02\r"; only C02 comes out.
    const QStringList cases[] = {
        {limit, "9\r"},       // the limit reached exactly, then one more before the end
        {"\r" + limit + "9"}, // a long tail behind a line end in the same piece
        {limit + "9\r"},      // a long code with its end in one piece
    };
    for (const QStringList& pieces : cases) {
        clsBarcodeBuffer b;
        QStringList codes;
        for (const QString& piece : pieces + QStringList{"\rC02\r"}) {
            b.Append(piece);
            codes << Codes(b);
            EXPECT_LE(b.Size(), clsBarcodeBuffer::MaxCode + 2);
        }
        EXPECT_EQ(codes, QStringList{"C02"}) << pieces.join('|').size();
        EXPECT_TRUE(b.TakeDropped());
    }
}

TEST(SerialSettings, TheOldSettingsText) {
    QString error;
    const auto other = clsSerialSettings::Parse("19200,E,7,2", &error);
    ASSERT_TRUE(other);
    EXPECT_EQ(std::tuple(other->Baud, other->DataBits, other->StopBits),
              std::tuple(19200, QSerialPort::Data7, QSerialPort::TwoStop));
    const std::pair<const char*, QSerialPort::Parity> parities[] = {
        {"9600,n,8,1", QSerialPort::NoParity},
        {"19200,E,7,2", QSerialPort::EvenParity},
        {"4800,o,8,1", QSerialPort::OddParity},
        {"4800,m,8,1", QSerialPort::MarkParity},
        {"4800,s,8,1", QSerialPort::SpaceParity}};
    for (const auto& [text, parity] : parities)
        EXPECT_EQ(clsSerialSettings::Parse(text, &error)->Parity, parity) << text;
    for (const char* bad : {"9600,x,8,1", "9600,n,9,1", "9600,n,8,3", "veloce,n,8,1", "9600,n,8",
                            "", "9600,n,8,1,0"}) {
        error.clear();
        EXPECT_FALSE(clsSerialSettings::Parse(bad, &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
    EXPECT_EQ(clsBarcodeReader::DeviceFor(7, ""), "/dev/ttyS6");
    EXPECT_EQ(clsBarcodeReader::DeviceFor(1, "/dev/pts/4"), "/dev/pts/4");
}
