// Record and whole-database locks; see db_lock.h.
#include "runtime/database/db_lock.h"

#include "runtime/core/byte_reader.h"
#include "runtime/core/byte_writer.h"
#include "runtime/database/db_result.h"

#include <chrono>
#include <thread>

namespace {

int32_t g_waitTime = 0;

constexpr uint32_t kWholeLength = 0x7FFFFFFF;

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool MayRetry(int64_t started)
{
    if (g_waitTime == 0)
        return false;
    return g_waitTime < 0 || NowMs() - started <= g_waitTime;
}

// 20 to 39 ms, varied by the clock so that contending processes do not retry in step.
void SleepBeforeRetry()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + NowMs() % 20));
}

// Releases the platform byte lock of every table entry (the whole range is about to be taken).
void ReleaseEntries(DbFile& db)
{
    for (int32_t i = 0; i < db.locks.Count(); ++i)
        PlatformLock(*db.dataFile, db.locks.OffsetAt(i), false);
}

// Takes every entry's byte lock again; entries whose lock fails leave the table.
void RetakeEntries(DbFile& db)
{
    for (int32_t i = 0; i < db.locks.Count();) {
        if (PlatformLock(*db.dataFile, db.locks.OffsetAt(i), true) == kDbOk)
            ++i;
        else
            db.locks.RemoveAt(i);
    }
}

int32_t ReleaseLast(DbFile& db, int32_t index, int32_t offset, bool wholeHeld)
{
    db.locks.RemoveAt(index);
    if (offset == kWholeDatabase) {
        const int32_t code = PlatformLock(*db.dataFile, kWholeDatabase, false);
        RetakeEntries(db);
        return code;
    }
    return wholeHeld ? kDbOk : PlatformLock(*db.dataFile, offset, false);
}

int32_t LockNew(DbFile& db, int32_t offset, bool wholeHeld)
{
    if (!wholeHeld && offset == kWholeDatabase) {
        ReleaseEntries(db);
        const int32_t code = PlatformLock(*db.dataFile, kWholeDatabase, true);
        if (code != kDbOk) {
            RetakeEntries(db);
            return code;
        }
    } else if (!wholeHeld) {
        const int32_t code = PlatformLock(*db.dataFile, offset, true);
        if (code != kDbOk)
            return code;
    }
    if (!db.locks.Append(offset)) {
        // Without its entry nobody would ever release this lock; the record locks that gave way
        // to the whole range are taken again.
        if (!wholeHeld)
            PlatformLock(*db.dataFile, offset, false);
        if (!wholeHeld && offset == kWholeDatabase)
            RetakeEntries(db);
        return kDbOutOfMemory;
    }
    return kDbOk;
}

int32_t ChangeRange(DbFile& db, int32_t offset, bool lock)
{
    if (!db.dataFile)
        return kDbNotOpen;
    if (db.lockingOff > 0)
        return kDbOk;
    const bool wholeHeld = db.locks.Find(kWholeDatabase) >= 0;
    const int32_t index = db.locks.Find(offset);
    if (index < 0)
        return lock ? LockNew(db, offset, wholeHeld) : kDbUnlockFailed;
    const int32_t holds = db.locks.HoldsAt(index);
    if (lock || holds > 0) {
        db.locks.SetHoldsAt(index, lock ? holds + 1 : holds - 1);
        return kDbOk;
    }
    return ReleaseLast(db, index, offset, wholeHeld);
}

// The byte of a record, or -1 when it lies beyond what a file offset can reach.
int64_t RecordOffset(const DbFile& db, int32_t record)
{
    const int64_t offset = int64_t{db.headerSize} + int64_t{record} * db.recordSize;
    return offset < kWholeLength ? offset : -1;
}

}  // namespace

void SetDbLockWaitTime(int32_t milliseconds) { g_waitTime = milliseconds; }
int32_t DbLockWaitTime() { return g_waitTime; }

int32_t PlatformLock(DbFileIo& io, int32_t offset, bool lock)
{
    const uint32_t start = offset == kWholeDatabase ? 0 : static_cast<uint32_t>(offset);
    const uint32_t length = offset == kWholeDatabase ? kWholeLength : 1;
    const int64_t started = NowMs();
    for (;;) {
        const int cause = lock ? io.Lock(start, length) : io.Unlock(start, length);
        if (cause == kFileOk || cause == kFileLockUnsupported)
            return kDbOk;
        const bool heldElsewhere = cause == kFileSharingViolation || cause == kFileLockViolation;
        if (!heldElsewhere)
            return DbCodeFromFileError(cause);
        if (!lock || !MayRetry(started))
            return lock ? kDbLockFailed : kDbUnlockFailed;
        SleepBeforeRetry();
    }
}

int32_t DbLockTable::WordAt(int32_t byteOffset) const
{
    ByteReader reader(entries_.data(), static_cast<size_t>(entries_.size()));
    reader.seek(static_cast<size_t>(byteOffset));
    return reader.i32();
}

int32_t DbLockTable::Find(int32_t offset) const
{
    for (int32_t i = 0; i < Count(); ++i) {
        if (OffsetAt(i) == offset)
            return i;
    }
    return -1;
}

int32_t DbLockTable::OffsetAt(int32_t index) const { return WordAt(index * kEntrySize); }
int32_t DbLockTable::HoldsAt(int32_t index) const { return WordAt(index * kEntrySize + 4); }

void DbLockTable::SetHoldsAt(int32_t index, int32_t holds)
{
    ByteWriter word;
    word.i32(holds);
    entries_.Replace(index * kEntrySize + 4, 4, word.data(), 4);
}

bool DbLockTable::Append(int32_t offset)
{
    ByteWriter entry;
    entry.i32(offset);
    entry.i32(0);
    return entries_.Append(entry.data(), kEntrySize);
}

void DbLockTable::RemoveAt(int32_t index) { entries_.Remove(index * kEntrySize, kEntrySize); }

int32_t LockRange(DbFile& db, int32_t offset) { return ChangeRange(db, offset, true); }
int32_t UnlockRange(DbFile& db, int32_t offset) { return ChangeRange(db, offset, false); }

int32_t LockRecord(DbFile& db, int32_t record)
{
    if (!db.dataFile)
        return kDbNotOpen;
    const int64_t offset = record < 0 ? -1 : RecordOffset(db, record);
    return offset < 0 ? kDbLockFailed : LockRange(db, static_cast<int32_t>(offset));
}

int32_t UnlockRecord(DbFile& db, int32_t record)
{
    if (!db.dataFile)
        return kDbNotOpen;
    const int64_t offset = record < 0 ? -1 : RecordOffset(db, record);
    return offset < 0 ? kDbUnlockFailed : UnlockRange(db, static_cast<int32_t>(offset));
}
