#include "TempEnvironment.h"

#include "DB.h"
#include "clsArchiveSession.h"

namespace {

using ArchiveSessionTest = TempEnvironment;

TEST_F(ArchiveSessionTest, ReleaseDropsTheDatabaseAndThenTheStorage) {
    clsArchiveSession session;
    EXPECT_TRUE(session.IsReleased());
    EXPECT_FALSE(session.IsOpen());

    DB definition;
    session.SetDatabase(session.Engine().DefineDatabase(definition, "Tessarin", nullptr, nullptr));
    auto storage = std::make_shared<DbmsStorage>();
    const QString path = m_dir.filePath(clsArchiveSession::ArchiveName);
    storage->CreateFile(clsArchiveSession::StorageFormat, path, 0, 0);
    storage->Open(clsArchiveSession::StorageFormat, path, 0, 0, nullptr, 5, 0, -1, -1, 0, -2);
    session.SetStorage(storage);
    session.Database()->Attach(storage, true, false, false, 0, nullptr);
    EXPECT_TRUE(session.IsOpen());

    std::weak_ptr<DbmsStorage> kept = storage;
    std::weak_ptr<DbmsDatabase> database = session.Database();
    storage.reset();
    session.Release();
    EXPECT_TRUE(kept.expired());
    EXPECT_TRUE(database.expired());
    EXPECT_TRUE(session.IsReleased());
    EXPECT_FALSE(session.IsOpen());
}

TEST(ArchiveSession, DateSelectionStartsOnTheDay) {
    clsArchiveSession session;
    EXPECT_TRUE(session.DaySelection());
    EXPECT_FALSE(session.MonthSelection());
    session.SetDateSelection(false, true);
    session.SetSelectedDate(QDate(2024, 2, 29));
    EXPECT_FALSE(session.DaySelection());
    EXPECT_TRUE(session.MonthSelection());
    EXPECT_EQ(session.SelectedDate(), QDate(2024, 2, 29));
}

} // namespace
