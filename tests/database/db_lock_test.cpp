// Result texts and the lock table. The table cases run over the in-memory file layer, which
// counts the locks that reach it; the contention cases run two real processes on one file with
// the platform's own file layer (fcntl natively, LockFile under Windows).
#include "runtime/database/db_lock.h"
#include "runtime/database/db_result.h"
#include "runtime/database/mem_file_io.h"

#include "child_process.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(DbErrorText, TableTextsAndUnknownCodes)
{
    EXPECT_STREQ(DbErrorText(0), "");
    EXPECT_STREQ(DbErrorText(-27), "当前未打开数据库");
    EXPECT_STREQ(DbErrorText(-59), "访问数据库的辅助文件失败");
    EXPECT_STREQ(DbErrorText(5), "未知错误");
    EXPECT_STREQ(DbErrorText(-200), "未知错误");
    EXPECT_STREQ(DbErrorText(-77), "未知错误");
    // 当前 in GBK: the texts are stored in the system's code page.
    EXPECT_EQ(std::memcmp(DbErrorText(-27), "\xB5\xB1\xC7\xB0", 4), 0);
}

TEST(DbErrorText, FileErrorCauses)
{
    const int32_t expected[][2] = {{0, 0}, {1, -1}, {2, -3}, {5, -6}, {11, -12}, {12, -13},
                                   {13, -14}, {14, -15}, {15, -1}, {-3, -1}};
    for (const auto& row : expected)
        EXPECT_EQ(DbCodeFromFileError(row[0]), row[1]) << "cause " << row[0];
}

struct LockFixture : ::testing::Test {
    LockFixture()
    {
        db.dataFile = &io;
        db.headerSize = 100;
        db.recordSize = 10;
    }
    bool Held(uint32_t offset) const { return io.IsLocked(offset, 1); }
    bool WholeHeld() const { return io.IsLocked(0, 0x7FFFFFFF); }
    MemFileIo io;
    DbFile db;
};

TEST_F(LockFixture, RecordLockedTwiceIsReleasedOnThePlatformByTheSecondRelease)
{
    EXPECT_EQ(LockRecord(db, 3), 0);
    EXPECT_EQ(LockRecord(db, 3), 0);
    EXPECT_EQ(io.lockCalls, 1);
    EXPECT_TRUE(Held(130));
    EXPECT_EQ(UnlockRecord(db, 3), 0);
    EXPECT_TRUE(Held(130));
    EXPECT_EQ(UnlockRecord(db, 3), 0);
    EXPECT_FALSE(Held(130));
    EXPECT_EQ(UnlockRecord(db, 3), -29);
    EXPECT_EQ(UnlockRecord(db, 7), -29);
    EXPECT_EQ(LockRecord(db, -1), -28);
    EXPECT_EQ(UnlockRecord(db, -1), -29);
    EXPECT_EQ(db.locks.Count(), 0);
}

TEST_F(LockFixture, WithoutDataFileOrWithLockingOff)
{
    DbFile closed;
    EXPECT_EQ(LockRecord(closed, 0), -27);
    EXPECT_EQ(UnlockRange(closed, kWholeDatabase), -27);
    db.lockingOff = 1;
    EXPECT_EQ(LockRecord(db, 0), 0);
    EXPECT_EQ(UnlockRecord(db, 5), 0);
    EXPECT_EQ(io.lockCalls + io.unlockCalls, 0);
}

TEST_F(LockFixture, WholeDatabaseLockKeepsRecordLocksInTheTableOnly)
{
    ASSERT_EQ(LockRecord(db, 1), 0);
    ASSERT_EQ(LockRecord(db, 2), 0);
    ASSERT_EQ(LockRange(db, kWholeDatabase), 0);
    EXPECT_TRUE(WholeHeld());
    EXPECT_FALSE(Held(110));  // byte locks gave way to the whole range
    const int calls = io.lockCalls + io.unlockCalls;
    EXPECT_EQ(LockRecord(db, 5), 0);
    EXPECT_EQ(UnlockRecord(db, 2), 0);
    EXPECT_EQ(UnlockRecord(db, 9), -29);
    EXPECT_EQ(io.lockCalls + io.unlockCalls, calls);
    EXPECT_EQ(UnlockRange(db, kWholeDatabase), 0);
    EXPECT_FALSE(WholeHeld());
    EXPECT_TRUE(Held(110));   // record 1
    EXPECT_TRUE(Held(150));   // record 5, locked while the whole database was
    EXPECT_FALSE(Held(120));  // record 2, released meanwhile
    EXPECT_EQ(db.locks.Count(), 2);
}

TEST_F(LockFixture, FailedWholeLockRetakesTheRecordLocks)
{
    ASSERT_EQ(LockRecord(db, 1), 0);
    ASSERT_EQ(io.Lock(5000, 1), kFileOk);  // a range the table does not know, as if held elsewhere
    EXPECT_EQ(LockRange(db, kWholeDatabase), -28);
    EXPECT_TRUE(Held(110));
    EXPECT_EQ(db.locks.Find(kWholeDatabase), -1);
    EXPECT_EQ(db.locks.Count(), 1);
}

TEST_F(LockFixture, WaitTimeRetriesAHeldRange)
{
    ASSERT_EQ(io.Lock(130, 1), kFileOk);
    EXPECT_EQ(LockRecord(db, 3), -28);
    EXPECT_EQ(io.lockCalls, 2);  // the one above and a single attempt
    SetDbLockWaitTime(100);
    EXPECT_EQ(LockRecord(db, 3), -28);
    SetDbLockWaitTime(0);
    EXPECT_GE(io.lockCalls, 5);  // at 20 to 39 ms apart, at least 3 attempts fit in 100 ms
}

// The path of a program of the tests beside this one.
std::string Beside(const char* name)
{
#ifdef _WIN32
    return std::string(name) + ".exe";
#else
    return std::string("./") + name;
#endif
}

TEST(DbLockContention, SecondProcessWaitsForTheRecord)
{
    const char* path = "contention.dat";
    int cause = 0;
    std::unique_ptr<DbFileIo> io = OpenDbFileIo(path, DbOpenMode::kCreate, &cause);
    ASSERT_TRUE(io) << cause;
    ASSERT_EQ(io->SetLength(16 + 8 * 10), kFileOk);
    DbFile db;
    db.dataFile = io.get();
    db.headerSize = 16;
    db.recordSize = 8;

    ChildProcess holder;
    ASSERT_TRUE(holder.Start(Beside("db_lock_holder"), {path, "3"}));
    std::string line;
    ASSERT_TRUE(holder.ReadLine(&line));
    ASSERT_EQ(line, "locked 0 0");

    EXPECT_EQ(LockRecord(db, 3), -28);
    EXPECT_EQ(LockRange(db, kWholeDatabase), -28);
    EXPECT_EQ(LockRecord(db, 4), 0);  // one byte per record: the neighbour is free
    EXPECT_EQ(UnlockRecord(db, 4), 0);

    ASSERT_TRUE(holder.WriteLine("release"));
    ASSERT_TRUE(holder.ReadLine(&line));
    EXPECT_EQ(line, "released 0");
    EXPECT_EQ(LockRecord(db, 3), -28);  // locked twice there, released once

    SetDbLockWaitTime(20000);
    ASSERT_TRUE(holder.WriteLine("release"));
    EXPECT_EQ(LockRecord(db, 3), 0);  // retried until the holder let go
    SetDbLockWaitTime(0);
    ASSERT_TRUE(holder.ReadLine(&line));
    EXPECT_EQ(line, "released 0");
    ASSERT_TRUE(holder.WriteLine("release"));
    ASSERT_TRUE(holder.ReadLine(&line));
    EXPECT_EQ(line, "released -29");
    EXPECT_EQ(holder.Wait(), 0);
    EXPECT_EQ(UnlockRecord(db, 3), 0);
}

}  // namespace
