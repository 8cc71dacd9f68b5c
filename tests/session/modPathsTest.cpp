#include "TempEnvironment.h"

#include "modPaths.h"

#include <QFileInfo>

using modPaths::AppDir;

TEST(MakeFilePath, JoinsFolderNameAndExtension) {
    const char* cases[][4] = {
        {"C:\\Dati", "Tessarin.mdb", "", "C:\\Dati/Tessarin.mdb"},
        {"C:\\Dati\\", "Tessarin.mdb", "", "C:\\Dati\\Tessarin.mdb"},
        {"/srv/dati/", "Tessarin.mdb", "", "/srv/dati/Tessarin.mdb"},
        {"/srv/dati", "Tessarin.mdb", "bak", "/srv/dati/Tessarin.bak"},
        {"", "Tessarin.mdb", "", "Tessarin.mdb"},
        {"", "Tessarin", "bak", "Tessarin.bak"},
        {"/srv", "Tessarin.old.mdb", "bak", "/srv/Tessarin.bak"}, // cut at the first dot
    };
    for (const auto& c : cases)
        EXPECT_EQ(modPaths::MakeFilePath(c[0], c[1], c[2]), c[3]) << c[0] << ' ' << c[1];
}

using AppDirTest = TempEnvironment;

TEST_F(AppDirTest, TessarinHomeIsUsedAndCreatedElseTheExecutableFolder) {
    const QString home = m_dir.filePath("not/yet/there");
    for (const QString& set : {home, home + "/"}) {
        qputenv("TESSARIN_HOME", set.toUtf8());
        EXPECT_EQ(AppDir(), home);
        EXPECT_TRUE(QFileInfo(home).isDir());
    }
    const QString executableDir =
        QFileInfo(QFileInfo("/proc/self/exe").canonicalFilePath()).absolutePath();
    qunsetenv("TESSARIN_HOME");
    EXPECT_EQ(AppDir(), executableDir);
    qputenv("TESSARIN_HOME", "");
    EXPECT_EQ(AppDir(), executableDir);
}
