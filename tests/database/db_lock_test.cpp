// Result texts and the lock table. The table cases run over the in-memory file layer, which
// counts the locks that reach it; the contention cases run two real processes on one file with
// the platform's own file layer (fcntl natively, LockFile under Windows).
#include "runtime/database/aux_block_file.h"
#include "runtime/database/db_lock.h"
#include "runtime/database/db_result.h"
#include "runtime/database/mem_file_io.h"

#include "rewrite_value.h"
#include "run_program.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace {

TEST(DbErrorText, TextsAndFileErrorCauses)
{
    EXPECT_STREQ(DbErrorText(0), "");
    EXPECT_STREQ(DbErrorText(-27), "当前未打开数据库");
    EXPECT_STREQ(DbErrorText(5), "未知错误");
    EXPECT_STREQ(DbErrorText(-200), "未知错误");
    EXPECT_STREQ(DbErrorText(-77), "未知错误");
    EXPECT_EQ(std::memcmp(DbErrorText(-27), "\xB5\xB1\xC7\xB0", 4), 0);  // 当前 in GBK
    const int32_t expected[][2] = {{0, 0}, {1, -1}, {2, -3}, {12, -13}, {14, -15}, {15, -1}, {-3, -1}};
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
    EXPECT_EQ(LockRecord(db, -1), -28);
    EXPECT_EQ(UnlockRecord(db, -1), -29);
    DbFile closed;
    EXPECT_EQ(LockRecord(closed, 0), -27);
    db.lockingOff = 1;
    EXPECT_EQ(UnlockRecord(db, 5), 0);
    EXPECT_EQ(io.lockCalls + io.unlockCalls, 2);
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
    EXPECT_GE(io.lockCalls, 4);  // the first retry comes whatever the clock says
}

bool g_refuseGrowth = false;
void* Allocate(size_t size) { return g_refuseGrowth ? nullptr : std::malloc(size); }
void* Reallocate(void* block, size_t size) { return g_refuseGrowth ? nullptr : std::realloc(block, size); }

TEST_F(LockFixture, TableThatCannotGrowKeepsTheLocksItLists)
{
    const BlockAllocator saved = ByteBufferAllocator();
    SetByteBufferAllocator({Allocate, Reallocate, std::free});
    ASSERT_EQ(LockRecord(db, 0), 0);
    g_refuseGrowth = true;
    int32_t record = 1;
    while (record < 10000 && LockRecord(db, record) == 0)
        ++record;
    EXPECT_EQ(LockRecord(db, record), -55);  // the table is full
    EXPECT_FALSE(Held(100 + 10 * record));
    EXPECT_EQ(LockRange(db, kWholeDatabase), -55);
    g_refuseGrowth = false;
    EXPECT_FALSE(WholeHeld());
    EXPECT_EQ(db.locks.Count(), record);
    for (int32_t i = 0; i < db.locks.Count(); ++i)
        EXPECT_TRUE(Held(static_cast<uint32_t>(db.locks.OffsetAt(i)))) << i;
    db.locks.Clear();
    SetByteBufferAllocator(saved);
}

// Line n (from 1) of the holder's log, once it is there; "" after 20 s without it.
std::string LogLine(const char* path, size_t n)
{
    for (int tries = 0; tries < 2000; ++tries) {
        std::ifstream log(path);
        std::string line;
        for (size_t i = 1; std::getline(log, line); ++i) {
            if (i == n)
                return line;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "";
}

TEST(DbLockContention, SecondProcessWaitsForTheRecord)
{
    const char* path = "contention.dat";
    const char* log = "contention.log";
    std::remove(log);
    int cause = 0;
    std::unique_ptr<DbFileIo> io = OpenDbFileIo(path, DbOpenMode::kCreate, &cause);
    ASSERT_TRUE(io) << cause;
    ASSERT_EQ(io->SetLength(16 + 8 * 10), kFileOk);
    DbFile db;
    db.dataFile = io.get();
    db.headerSize = 16;
    db.recordSize = 8;

    FILE* holder = popen((ProgramPath("db_lock_holder" EXE) + " " + path + " 3 " + log).c_str(), "w");
    ASSERT_TRUE(holder);
    ASSERT_EQ(LogLine(log, 1), "locked 0 0");
    EXPECT_EQ(LockRecord(db, 3), -28);
    EXPECT_EQ(LockRange(db, kWholeDatabase), -28);
    EXPECT_EQ(LockRecord(db, 4), 0);  // one byte per record: the neighbour is free
    EXPECT_EQ(UnlockRecord(db, 4), 0);

    std::fputs("release\n", holder);
    std::fflush(holder);
    EXPECT_EQ(LogLine(log, 2), "released 0");
    EXPECT_EQ(LockRecord(db, 3), -28);  // locked twice there, released once

    SetDbLockWaitTime(20000);
    std::fputs("release\n", holder);
    std::fflush(holder);
    EXPECT_EQ(LockRecord(db, 3), 0);  // retried until the holder let go
    SetDbLockWaitTime(0);
    EXPECT_EQ(LogLine(log, 3), "released 0");
    std::fputs("release\n", holder);
    std::fflush(holder);
    EXPECT_EQ(LogLine(log, 4), "released -29");
    EXPECT_EQ(ExitCode(pclose(holder)), 0);
    EXPECT_EQ(UnlockRecord(db, 3), 0);
}

// The platform's file layer, counting the lock requests held elsewhere. Past its patience it
// answers a hardware error instead, so that a wait without limit cannot hang the test.
class WatchedIo : public DbFileIo {
public:
    WatchedIo(DbFileIo& io, std::chrono::seconds patience)
        : io_(io), deadline_(std::chrono::steady_clock::now() + patience) {}
    int Seek(uint32_t offset) override { return io_.Seek(offset); }
    int Read(void* data, uint32_t size, uint32_t* got) override { return io_.Read(data, size, got); }
    int Write(const void* data, uint32_t size) override { return io_.Write(data, size); }
    int SetLength(uint32_t length) override { return io_.SetLength(length); }
    int GetLength(uint32_t* length) override { return io_.GetLength(length); }
    int Unlock(uint32_t offset, uint32_t length) override { return io_.Unlock(offset, length); }
    int Lock(uint32_t offset, uint32_t length) override
    {
        const int cause = io_.Lock(offset, length);
        if (cause != kFileLockViolation && cause != kFileSharingViolation)
            return cause;
        ++refused;
        return std::chrono::steady_clock::now() < deadline_ ? cause : kFileHardIo;
    }
    std::atomic<int> refused{0};

private:
    DbFileIo& io_;
    std::chrono::steady_clock::time_point deadline_;
};

TEST(DbLockContention, WaitWithoutLimitOutlastsTheHolder)
{
    const char* path = "unlimited.dat";
    const char* log = "unlimited.log";
    std::remove(log);
    int cause = 0;
    std::unique_ptr<DbFileIo> io = OpenDbFileIo(path, DbOpenMode::kCreate, &cause);
    ASSERT_TRUE(io) << cause;
    ASSERT_EQ(io->SetLength(16 + 8 * 10), kFileOk);
    WatchedIo watched(*io, std::chrono::seconds(30));
    DbFile db;
    db.dataFile = &watched;
    db.headerSize = 16;
    db.recordSize = 8;
    FILE* holder = popen((ProgramPath("db_lock_holder" EXE) + " " + path + " 3 " + log).c_str(), "w");
    ASSERT_TRUE(holder);
    ASSERT_EQ(LogLine(log, 1), "locked 0 0");
    std::fputs("release\n", holder);  // one of its two holds
    std::fflush(holder);
    ASSERT_EQ(LogLine(log, 2), "released 0");

    // The holder lets go only once the lock has been refused here.
    std::thread releaser([&] {
        for (int i = 0; i < 3000 && watched.refused == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::fputs("release\n", holder);
        std::fflush(holder);
    });
    SetDbLockWaitTime(-1);
    const int32_t code = LockRecord(db, 3);
    SetDbLockWaitTime(0);
    releaser.join();
    EXPECT_EQ(code, 0);
    EXPECT_GE(watched.refused, 1);
    EXPECT_EQ(LogLine(log, 3), "released 0");
    std::fputs("release\n", holder);
    std::fflush(holder);
    EXPECT_EQ(LogLine(log, 4), "released -29");
    EXPECT_EQ(ExitCode(pclose(holder)), 0);
    EXPECT_EQ(UnlockRecord(db, 3), 0);
}

// Reads of an auxiliary value while another process rewrites it in place: every read gives the
// value before a put or after it, whole.
TEST(DbLockContention, ReadsSeeWholeValuesWhileAnotherProcessRewrites)
{
    const char* path = "rewrite.aux";
    const char* log = "rewrite.log";
    std::remove(log);
    int cause = 0;
    std::unique_ptr<DbFileIo> io = OpenDbFileIo(path, DbOpenMode::kCreate, &cause);
    ASSERT_TRUE(io) << cause;
    ASSERT_EQ(CreateAuxFile(*io), 0);
    AuxBlockFile aux(io.get());
    const std::vector<uint8_t> values[] = {RewriteValue(0), RewriteValue(1)};
    uint32_t slot = 0;
    ASSERT_EQ(WriteAuxValue(aux, values[0].data(), 2000, 0, &slot), 0);
    ASSERT_EQ(slot, 1u);

    SetDbLockWaitTime(20000);
    FILE* writer = popen((ProgramPath("db_lock_holder" EXE) + " rewrite " + path + " 200 " + log).c_str(), "w");
    ASSERT_TRUE(writer);
    int reads = 0, torn = 0, failed = 0;
    for (int i = 0; i < 200000 && (i % 8 != 0 || !std::ifstream(log).good()); ++i) {
        std::vector<uint8_t> value;
        if (ReadAuxValue(aux, 1, &value) != 0)
            ++failed;
        else if (value != values[0] && value != values[1])
            ++torn;
        ++reads;
        std::this_thread::sleep_for(std::chrono::microseconds(200));  // room for the writer's lock
    }
    EXPECT_EQ(ExitCode(pclose(writer)), 0);
    SetDbLockWaitTime(0);
    EXPECT_EQ(LogLine(log, 1), "rewrote 200 0");
    EXPECT_EQ(torn, 0) << reads << " reads";
    EXPECT_EQ(failed, 0);
    EXPECT_GT(reads, 10);
}

}  // namespace
