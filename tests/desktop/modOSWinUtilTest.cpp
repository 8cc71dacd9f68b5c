#include "TestValues.h"
#include <modOSWinUtil.h>

#include <QDesktopServices>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

using namespace modOSWinUtil;

TEST(FileExists, MaskZeroAsksForAnythingElseForOneOfItsAttributes) {
    QTemporaryDir dir;
    const QString file = dir.filePath("Tessarin.mdb"), dotFile = dir.filePath(".nascosto"),
                  missing = dir.filePath("missing.mdb");
    ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly) &&
                QFile(dotFile).open(QIODevice::WriteOnly));
    using Case = std::pair<QString, quint16>;
    const quint16 dirBit = FileAttr::Directory, hidden = FileAttr::Hidden;
    const quint16 protectedBits = FileAttr::ReadOnly | FileAttr::Hidden | FileAttr::System;
    for (const auto& [path, mask] : {Case{dir.path(), 0}, Case{dir.path() + "/", 0}, Case{file, 0},
                                     Case{dir.path(), dirBit}, Case{dotFile, hidden}})
        EXPECT_TRUE(FileExists(path, mask)) << path.toStdString() << ' ' << mask;
    for (const auto& [path, mask] :
         {Case{missing, 0}, Case{dir.filePath("missing/Tessarin.mdb"), 0}, Case{"", 0},
          Case{file, dirBit}, Case{file, protectedBits}, Case{missing, hidden},
          Case{dotFile, FileAttr::ReadOnly}})
        EXPECT_FALSE(FileExists(path, mask)) << path.toStdString() << ' ' << mask;
    // Protection is owner-read-only, whichever of the three bits asks for it.
    ASSERT_TRUE(SetFileAttributes(file, protectedBits));
    EXPECT_EQ(QFile::permissions(file) &
                  ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
              QFileDevice::ReadOwner);
    for (quint16 mask :
         {FileAttr::ReadOnly, FileAttr::Hidden, quint16(FileAttr::System | FileAttr::Directory)})
        EXPECT_TRUE(FileExists(file, mask)) << mask;
    ASSERT_TRUE(SetFileAttributes(file, FileAttr::Normal));
    EXPECT_TRUE(QFile::permissions(file) & QFileDevice::WriteOwner);
    EXPECT_FALSE(FileExists(file, FileAttr::ReadOnly));
    EXPECT_TRUE(QFile::remove(file));
    EXPECT_FALSE(SetFileAttributes(file, FileAttr::ReadOnly));
}

// Records what the desktop was asked to open.
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
    QTemporaryDir m_dir;
};

TEST_F(ShellExecTest, OpensLinksAsWrittenAndFilesRelativeToTheFolderAndRefusesTheRest) {
    const QString mail = "mailto:assistenza@tessarin.it?subject=SUPPORT%20REQUEST"
                         "&body=Error:%2013%20Tipo%20non%20corrispondente%0d%0a";
    const QString page = m_dir.filePath("TableData.htm");
    ASSERT_TRUE(QFile(page).open(QIODevice::WriteOnly));
    EXPECT_TRUE(ShellExec(mail, "open", "", "", false));
    EXPECT_TRUE(ShellExec("https://www.tessarin.it", "", "", "", false));
    EXPECT_TRUE(ShellExec("TableData.htm", "open", "", m_dir.path(), false));
    EXPECT_TRUE(ShellExec(page, "Open", "", "", true));
    // Handed over as one link, neither encoded twice nor decoded.
    EXPECT_EQ(m_opener.m_opened,
              (QList<QUrl>{QUrl(mail), QUrl("https://www.tessarin.it"), QUrl::fromLocalFile(page),
                           QUrl::fromLocalFile(page)}));
    const QUrlQuery query(m_opener.m_opened.value(0));
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), "SUPPORT REQUEST");
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded),
              "Error: 13 Tipo non corrispondente\r\n");
    m_opener.m_opened.clear();
    EXPECT_FALSE(ShellExec(m_dir.filePath("Error.htm"), "open", "", "", false));
    EXPECT_FALSE(ShellExec("", "open", "", "", false));
    EXPECT_FALSE(ShellExec("https://www.tessarin.it", "print", "", "", false));
    EXPECT_TRUE(m_opener.m_opened.isEmpty());
}

#include "modOSWinUtilTest.moc"
