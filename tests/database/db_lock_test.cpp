// Result texts and the lock table. The table cases run over the in-memory file layer, which
// counts the locks that reach it; the contention cases run two real processes on one file with
// the platform's own file layer (fcntl natively, LockFile under Windows).
#include "runtime/database/aux_block_file.h"
#include "runtime/database/db_lock.h"
#include "runtime/database/db_result.h"
#include "runtime/database/mem_file_io.h"

#include "run_program.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <chrono>
#include <fstream>
#include <future>
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
    EXPECT_FALSE(Held(100 + 10 * record));  // the record the full table refused
    EXPECT_EQ(LockRange(db, kWholeDatabase), -55);
    g_refuseGrowth = false;
    EXPECT_FALSE(WholeHeld());
    for (int32_t i = 0; i < record; ++i)
        EXPECT_TRUE(Held(100 + 10 * i)) << i;
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

    std::promise<void> locked;
    std::thread releaser([&] {  // the last hold ends 100 ms into a wait without limit; 30 s end the test
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::fputs("release\n", holder);
        std::fflush(holder);
        if (locked.get_future().wait_for(std::chrono::seconds(30)) != std::future_status::ready)
            std::abort();
    });
    SetDbLockWaitTime(-1);
    EXPECT_EQ(LockRecord(db, 3), 0);  // retried until the holder let go
    locked.set_value();
    releaser.join();
    SetDbLockWaitTime(0);
    EXPECT_EQ(LogLine(log, 3), "released 0");
    std::fputs("release\n", holder);
    std::fflush(holder);
    EXPECT_EQ(LogLine(log, 4), "released -29");
    EXPECT_EQ(ExitCode(pclose(holder)), 0);
    EXPECT_EQ(UnlockRecord(db, 3), 0);
}

// Reads of an auxiliary value while another process rewrites it in place see it whole.
TEST(DbLockContention, ReadsSeeWholeValuesWhileAnotherProcessRewrites)
{
    int cause = 0;
    std::unique_ptr<DbFileIo> io = OpenDbFileIo("rewrite.aux", DbOpenMode::kCreate, &cause);
    ASSERT_TRUE(io && CreateAuxFile(*io) == 0) << cause;
    AuxBlockFile aux(io.get());
    const std::vector<uint8_t> ones(2000, 1), twos(2000, 2);
    uint32_t slot = 0;
    ASSERT_EQ(WriteAuxValue(aux, ones.data(), 2000, 0, &slot), 0);
    std::remove("rewrite.log");
    SetDbLockWaitTime(20000);
    FILE* writer = popen((ProgramPath("db_lock_holder" EXE) + " rewrite rewrite.aux 300 rewrite.log").c_str(), "w");
    ASSERT_TRUE(writer);
    int reads = 0, wrong = 0;
    for (; reads < 200000 && (reads % 8 != 0 || !std::ifstream("rewrite.log").good()); ++reads) {
        std::vector<uint8_t> value;
        wrong += ReadAuxValue(aux, 1, &value) != 0 || (value != ones && value != twos);
        std::this_thread::sleep_for(std::chrono::microseconds(200));  // room for the writer's lock
    }
    EXPECT_EQ(ExitCode(pclose(writer)), 0);
    SetDbLockWaitTime(0);
    EXPECT_EQ(LogLine("rewrite.log", 1), "rewrote 300 0");
    EXPECT_EQ(wrong, 0) << reads << " reads";
    EXPECT_GT(reads, 10);
}

}  // namespace
