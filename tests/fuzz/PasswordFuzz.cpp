// Any bytes in the password file: they read back as they are, and the clear text the login
// window shows scrambles back to them, so the clerk can always type what is stored.
#include "FuzzSupport.h"

#include "modPassword.h"

#include <QFile>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QFile::remove(modPassword::PasswordFile());
    {
        QFile file(modPassword::PasswordFile());
        FUZZ_EXPECT(file.open(QIODevice::WriteOnly), file.fileName());
        file.write(bytes);
    }
    const QByteArray stored = modPassword::ReadStored();
    FUZZ_EXPECT(stored == bytes, QString::fromLatin1(stored.toHex()));

    const QByteArray clear = modPassword::Unscramble(stored);
    FUZZ_EXPECT(clear.size() == stored.size(), QString::fromLatin1(stored.toHex()));
    FUZZ_EXPECT(modPassword::IsLatin1(QString::fromLatin1(clear)), "Latin-1");
    // A clear text of blanks means "no password"; any other one must open the door.
    const bool blank = clear.count(' ') == clear.size();
    FUZZ_EXPECT(blank ? modPassword::Scramble(clear).isEmpty()
                      : modPassword::Scramble(clear) == stored,
                QString::fromLatin1(stored.toHex()));

    // Written and read again, a password is the same bytes, and the file keeps its protection.
    if (!blank) {
        modPassword::WriteStored(modPassword::Scramble(clear));
        FUZZ_EXPECT(modPassword::ReadStored() == stored, QString::fromLatin1(stored.toHex()));
    }
    QFile::setPermissions(modPassword::PasswordFile(), QFile::ReadOwner | QFile::WriteOwner);
    return 0;
}
