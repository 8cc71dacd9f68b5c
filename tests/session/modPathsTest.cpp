#include "TempEnvironment.h"

#include "modPaths.h"

#include <QCoreApplication>
#include <QFileInfo>

using modPaths::AppDir;
using modPaths::MakeFilePath;

namespace {

TEST(MakeFilePath, JoinsFolderNameAndExtension) {
    EXPECT_EQ(MakeFilePath("C:\\Dati", "Tessarin.mdb", ""), "C:\\Dati/Tessarin.mdb");
    EXPECT_EQ(MakeFilePath("C:\\Dati\\", "Tessarin.mdb", ""), "C:\\Dati\\Tessarin.mdb");
    EXPECT_EQ(MakeFilePath("/srv/dati/", "Tessarin.mdb", ""), "/srv/dati/Tessarin.mdb");
    EXPECT_EQ(MakeFilePath("/srv/dati", "Tessarin.mdb", "bak"), "/srv/dati/Tessarin.bak");
    EXPECT_EQ(MakeFilePath("", "Tessarin.mdb", ""), "Tessarin.mdb");
    EXPECT_EQ(MakeFilePath("", "Tessarin", "bak"), "Tessarin.bak");
    // The name is cut at its first dot, not its last.
    EXPECT_EQ(MakeFilePath("/srv", "Tessarin.old.mdb", "bak"), "/srv/Tessarin.bak");
}

using AppDirTest = TempEnvironment;

TEST_F(AppDirTest, TessarinHomeIsUsedAndCreated) {
    const QString home = m_dir.filePath("not/yet/there");
    qputenv("TESSARIN_HOME", home.toUtf8());
    EXPECT_EQ(AppDir(), home);
    EXPECT_TRUE(QFileInfo(home).isDir());

    qputenv("TESSARIN_HOME", (home + "/").toUtf8());
    EXPECT_EQ(AppDir(), home);
}

TEST_F(AppDirTest, WithoutTessarinHomeTheWritableExecutableFolder) {
    // The test program sits in the build tree, which we can write to.
    const QString executableDir =
        QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).absolutePath();
    qunsetenv("TESSARIN_HOME");
    EXPECT_EQ(AppDir(), executableDir);
    qputenv("TESSARIN_HOME", "");
    EXPECT_EQ(AppDir(), executableDir);
}

} // namespace
