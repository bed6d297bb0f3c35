// The file layer under the record database: seek, read, write, set length and byte-range locks
// on one open file. Every operation answers a file error cause (0 = done); the causes are the
// ones DbCodeFromFileError translates. One implementation per platform (POSIX with fcntl locks,
// Win32 with LockFile) behind OpenDbFileIo, and one in memory for tests and fuzzing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

enum FileErrorCause : int {
    kFileOk = 0,
    kFileGeneric = 1,
    kFileNotFound = 2,
    kFileBadPath = 3,
    kFileTooManyOpen = 4,
    kFileAccessDenied = 5,
    kFileInvalid = 6,
    kFileRemoveCurrentDir = 7,
    kFileDirectoryFull = 8,
    kFileBadSeek = 9,
    kFileHardIo = 10,
    kFileSharingViolation = 11,
    kFileLockViolation = 12,
    kFileDiskFull = 13,
    kFileEndOfFile = 14,
    // Not a cause of the table: the file system cannot lock byte ranges at all. Lock callers
    // treat it as success, since nobody else can hold a lock there either.
    kFileLockUnsupported = 100,
};

// File offsets and lengths stay below 2^31, the range a whole-file lock covers.
constexpr uint32_t kMaxFileOffset = 0x7FFFFFFF;

class DbFileIo {
public:
    virtual ~DbFileIo() = default;

    virtual int Seek(uint32_t offset) = 0;
    // Reads up to `size` bytes at the position; *got is how many arrived (fewer at the end).
    virtual int Read(void* data, uint32_t size, uint32_t* got) = 0;
    virtual int Write(const void* data, uint32_t size) = 0;
    virtual int SetLength(uint32_t length) = 0;
    virtual int GetLength(uint32_t* length) = 0;
    // Exclusive lock of `length` bytes from `offset` (a file open for reading only may take a
    // shared one, which still keeps writers elsewhere out); a range held elsewhere answers a
    // sharing or lock violation at once (waiting is the caller's rule, see PlatformLock).
    virtual int Lock(uint32_t offset, uint32_t length) = 0;
    virtual int Unlock(uint32_t offset, uint32_t length) = 0;
};

enum class DbOpenMode {
    kReadWrite,     // an existing file
    kReadOnly,      // an existing file
    kCreate,        // a new, empty file (an existing one is emptied)
};

// Opens `path` (the platform's narrow path) with the platform's file layer. Null with *cause set
// when the file cannot be opened.
std::unique_ptr<DbFileIo> OpenDbFileIo(const std::string& path, DbOpenMode mode, int* cause);

// Seek then read: fewer bytes than asked is kFileEndOfFile, so one call checks a whole record.
int ReadAt(DbFileIo& io, uint32_t offset, void* data, uint32_t size);
// Seek then write.
int WriteAt(DbFileIo& io, uint32_t offset, const void* data, uint32_t size);
