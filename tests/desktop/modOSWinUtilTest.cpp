#include <modOSWinUtil.h>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

using namespace modOSWinUtil;

namespace {

class FileExistsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_file = m_dir.filePath("Tessarin.mdb");
        QFile file(m_file);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    QTemporaryDir m_dir;
    QString m_file;
};

TEST_F(FileExistsTest, AnyFileOrFolderWithMaskZero) {
    EXPECT_TRUE(FileExists(m_dir.path(), 0));
    EXPECT_TRUE(FileExists(m_dir.path() + "/", 0));
    EXPECT_TRUE(FileExists(m_file, 0));
    EXPECT_FALSE(FileExists(m_dir.filePath("missing.mdb"), 0));
    EXPECT_FALSE(FileExists(m_dir.filePath("missing/Tessarin.mdb"), 0));
    EXPECT_FALSE(FileExists("", 0));
}

TEST_F(FileExistsTest, MaskAsksForOneOfItsAttributes) {
    EXPECT_TRUE(FileExists(m_dir.path(), FileAttr::Directory));
    EXPECT_FALSE(FileExists(m_file, FileAttr::Directory));
    EXPECT_FALSE(FileExists(m_file, FileAttr::ReadOnly | FileAttr::Hidden | FileAttr::System));
    EXPECT_FALSE(FileExists(m_dir.filePath("missing.mdb"), FileAttr::Hidden));

    const QString dotFile = m_dir.filePath(".nascosto");
    ASSERT_TRUE(QFile(dotFile).open(QIODevice::WriteOnly));
    EXPECT_TRUE(FileExists(dotFile, FileAttr::Hidden));
    EXPECT_FALSE(FileExists(dotFile, FileAttr::ReadOnly));
}

TEST_F(FileExistsTest, ProtectionIsTheOwnerReadOnlyPermission) {
    ASSERT_TRUE(
        SetFileAttributes(m_file, FileAttr::ReadOnly | FileAttr::Hidden | FileAttr::System));
    const auto modeBits = QFile::permissions(m_file) &
                          ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    EXPECT_EQ(modeBits, QFileDevice::ReadOwner);
    EXPECT_TRUE(FileExists(m_file, FileAttr::ReadOnly));
    EXPECT_TRUE(FileExists(m_file, FileAttr::Hidden));
    EXPECT_TRUE(FileExists(m_file, FileAttr::System | FileAttr::Directory));

    ASSERT_TRUE(SetFileAttributes(m_file, FileAttr::Normal));
    EXPECT_TRUE(QFile::permissions(m_file) & QFileDevice::WriteOwner);
    EXPECT_FALSE(FileExists(m_file, FileAttr::ReadOnly));
    // A protected file can be unprotected and removed, as the password change does.
    EXPECT_TRUE(QFile::remove(m_file));
    EXPECT_FALSE(SetFileAttributes(m_file, FileAttr::ReadOnly));
}

// Stands in for the desktop: records what it was asked to open.
class Opener : public QObject {
    Q_OBJECT
public:
    QList<QUrl> m_opened;
public slots:
    void Open(const QUrl& url) { m_opened.append(url); }
};

class ShellExecTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* scheme : {"file", "mailto", "https"})
            QDesktopServices::setUrlHandler(scheme, &m_opener, "Open");
    }
    void TearDown() override {
        for (const char* scheme : {"file", "mailto", "https"})
            QDesktopServices::unsetUrlHandler(scheme);
    }
    Opener m_opener;
};

TEST_F(ShellExecTest, OpensLinksAsWritten) {
    const QString mail = "mailto:assistenza@tessarin.it?subject=SUPPORT%20REQUEST"
                         "&body=Error:%2013%20Tipo%20non%20corrispondente%0d%0a";
    EXPECT_TRUE(ShellExec(mail, "open", "", "", false));
    EXPECT_TRUE(ShellExec("https://www.tessarin.it", "", "", "", false));
    ASSERT_EQ(m_opener.m_opened.size(), 2);
    // Handed over as one link, neither encoded twice nor decoded.
    EXPECT_EQ(m_opener.m_opened[0], QUrl(mail));
    const QUrlQuery query(m_opener.m_opened[0]);
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "SUPPORT REQUEST");
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded),
              "Error: 13 Tipo non corrispondente\r\n");
    EXPECT_EQ(m_opener.m_opened[1], QUrl("https://www.tessarin.it"));
}

TEST_F(ShellExecTest, OpensFilesRelativeToTheFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile(dir.filePath("TableData.htm")).open(QIODevice::WriteOnly));
    EXPECT_TRUE(ShellExec("TableData.htm", "open", "", dir.path(), false));
    EXPECT_TRUE(ShellExec(dir.filePath("TableData.htm"), "Open", "", "", true));
    ASSERT_EQ(m_opener.m_opened.size(), 2);
    EXPECT_EQ(m_opener.m_opened[0], QUrl::fromLocalFile(dir.filePath("TableData.htm")));
    EXPECT_EQ(m_opener.m_opened[1], m_opener.m_opened[0]);
}

TEST_F(ShellExecTest, RefusesWhatNothingCanOpen) {
    QTemporaryDir dir;
    EXPECT_FALSE(ShellExec(dir.filePath("Error.htm"), "open", "", "", false));
    EXPECT_FALSE(ShellExec("", "open", "", "", false));
    EXPECT_FALSE(ShellExec("https://www.tessarin.it", "print", "", "", false));
    EXPECT_TRUE(m_opener.m_opened.isEmpty());
}

} // namespace

int main(int argc, char** argv) {
    // The desktop services need a GUI application; no display is needed for them.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "modOSWinUtilTest.moc"
