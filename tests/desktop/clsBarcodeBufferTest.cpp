#include "clsBarcodeReader.h"

#include <gtest/gtest.h>

namespace {

// Every code the buffer gives for one notification, as the receiving loop reads them.
QStringList Codes(clsBarcodeBuffer& buffer) {
    QStringList codes;
    for (QString code = buffer.ReadCode(); !code.isEmpty(); code = buffer.ReadCode())
        codes << code;
    return codes;
}

} // namespace

TEST(BarcodeBuffer, LineEndsCutTheCodes) {
    clsBarcodeBuffer b;
    b.Append("123");
    EXPECT_TRUE(Codes(b).isEmpty()); // no line end yet: kept for later
    b.Append("45\r\n");
    EXPECT_EQ(Codes(b), QStringList{"12345"});
    EXPECT_EQ(b.Size(), 0);

    b.Append("A\rB\r");
    EXPECT_EQ(Codes(b), (QStringList{"A", "B"}));
    b.Append("X\n\nY\n"); // a line feed after a line end goes with it
    EXPECT_EQ(Codes(b), (QStringList{"X", "Y"}));
    b.Append("P\rQ\n");
    EXPECT_EQ(Codes(b), (QStringList{"P", "Q"}));
}

TEST(BarcodeBuffer, EmptyCodesAreSkippedNotWaitedOn) {
    clsBarcodeBuffer b;
    b.Append("\rZ\r");
    EXPECT_EQ(Codes(b), QStringList{"Z"}); // in the same notification, not one card late
    b.Append("\r\n\r\r");
    EXPECT_TRUE(Codes(b).isEmpty());
    EXPECT_EQ(b.Size(), 0);
    b.Append(" 7 \r");
    EXPECT_EQ(Codes(b), QStringList{" 7 "}); // codes are not trimmed
}

TEST(BarcodeBuffer, ACodeWithoutEndIsDroppedPastTheLimit) {
    clsBarcodeBuffer b;
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

TEST(SerialSettings, TheOldSettingsText) {
    QString error;
    const auto def = clsSerialSettings::Parse("9600,n,8,1", &error);
    ASSERT_TRUE(def);
    EXPECT_EQ(def->Baud, 9600);
    EXPECT_EQ(def->Parity, QSerialPort::NoParity);
    const auto other = clsSerialSettings::Parse("19200,E,7,2", &error);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->Parity, QSerialPort::EvenParity);
    EXPECT_EQ(other->DataBits, QSerialPort::Data7);
    EXPECT_EQ(other->StopBits, QSerialPort::TwoStop);
    EXPECT_EQ(clsSerialSettings::Parse("4800,o,8,1", &error)->Parity, QSerialPort::OddParity);
    EXPECT_EQ(clsSerialSettings::Parse("4800,m,8,1", &error)->Parity, QSerialPort::MarkParity);
    EXPECT_EQ(clsSerialSettings::Parse("4800,s,8,1", &error)->Parity, QSerialPort::SpaceParity);

    for (const char* bad : {"9600,x,8,1", "9600,n,9,1", "9600,n,8,3", "veloce,n,8,1", "9600,n,8",
                            "", "9600,n,8,1,0"}) {
        error.clear();
        EXPECT_FALSE(clsSerialSettings::Parse(bad, &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
    EXPECT_EQ(clsBarcodeReader::DeviceFor(7, ""), "/dev/ttyS6");
    EXPECT_EQ(clsBarcodeReader::DeviceFor(1, "/dev/pts/4"), "/dev/pts/4");
}
