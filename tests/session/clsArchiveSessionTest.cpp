#include "TempEnvironment.h"

#include "DB.h"
#include "clsArchiveSession.h"

using ArchiveSessionTest = TempEnvironment;

TEST_F(ArchiveSessionTest, ReleaseDropsTheDatabaseAndThenTheStorage) {
    clsArchiveSession session;
    EXPECT_TRUE(session.IsReleased());
    EXPECT_TRUE(session.DaySelection()); // the date selection starts on the day
    EXPECT_FALSE(session.MonthSelection());
    DB definition;
    session.SetDatabase(session.Engine().DefineDatabase(definition, "Tessarin", nullptr, nullptr));
    auto storage = std::make_shared<DbmsStorage>();
    const QString path = m_dir.filePath(clsArchiveSession::ArchiveName);
    storage->CreateFile(clsArchiveSession::StorageFormat, path, 0, 0);
    storage->Open(clsArchiveSession::StorageFormat, path, 0, 0, nullptr, 5, 0, -1, -1, 0, -2);
    session.SetStorage(storage);
    EXPECT_FALSE(session.IsOpen()); // not attached yet
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
