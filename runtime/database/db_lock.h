// Record and whole-database locks. Processes sharing a database coordinate only through platform
// byte-range locks: one byte per record at the record's first byte, the range 0 to 0x7FFFFFFF
// for the whole database. Each open database keeps a lock table so that a record locked several
// times is released on the platform only by its last release, and so that record locks taken
// while the whole database is locked never reach the platform.
#pragma once

#include "runtime/core/byte_buffer.h"
#include "runtime/database/db_file_io.h"

#include <cstdint>

// The offset that stands for the whole database.
constexpr int32_t kWholeDatabase = -1;

// How long a lock attempt keeps retrying a range that another process holds, in milliseconds:
// 0 (the value at start) tries once, -1 retries without limit. Process-wide.
void SetDbLockWaitTime(int32_t milliseconds);
int32_t DbLockWaitTime();

// Locks (or releases) one byte at `offset`, or the whole range for kWholeDatabase, under the
// wait rule above. A layer that cannot lock counts as success. Lock and sharing violations that
// outlast the wait give -28 (lock) or -29 (release); other file errors their own codes.
int32_t PlatformLock(DbFileIo& io, int32_t offset, bool lock);

// The lock table: entries of (byte offset, extra-hold count), in the order of their first lock,
// stored as 32-bit little-endian word pairs in a ByteBuffer.
class DbLockTable {
public:
    int32_t Count() const { return entries_.size() / kEntrySize; }
    // Index of the entry for `offset`, or -1.
    int32_t Find(int32_t offset) const;
    int32_t OffsetAt(int32_t index) const;
    int32_t HoldsAt(int32_t index) const;
    void SetHoldsAt(int32_t index, int32_t holds);
    // Appends (offset, 0); false when the buffer cannot grow.
    bool Append(int32_t offset);
    void RemoveAt(int32_t index);
    void Clear() { entries_.Clear(); }

private:
    static constexpr int32_t kEntrySize = 8;
    int32_t WordAt(int32_t byteOffset) const;
    ByteBuffer entries_;
};

// What the lock operations use of an open database.
struct DbFile {
    DbFileIo* dataFile = nullptr;  // not owned; null when no data file is open
    uint32_t headerSize = 0;       // bytes before record 0
    uint32_t recordSize = 0;       // bytes per record
    int32_t lockingOff = 0;        // positive: every lock and release succeeds at once
    DbLockTable locks;
};

// The lock-table operation behind record and whole-database locks; `offset` is a byte offset or
// kWholeDatabase.
int32_t LockRange(DbFile& db, int32_t offset);
int32_t UnlockRange(DbFile& db, int32_t offset);

// Record n (from 0) is the byte at header size + n * record size.
int32_t LockRecord(DbFile& db, int32_t record);
int32_t UnlockRecord(DbFile& db, int32_t record);
