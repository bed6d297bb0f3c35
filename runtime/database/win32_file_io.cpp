// The file layer on Win32: CreateFileA, LockFile and UnlockFile. Files are opened for shared
// reading and writing, so that several processes reach the same database and coordinate through
// byte-range locks only.
#include "runtime/database/db_file_io.h"

#include <windows.h>

namespace {

struct ErrorCause {
    DWORD error;
    int cause;
};

// Platform error -> file error cause; anything else is generic.
const ErrorCause kErrorCauses[] = {
    {ERROR_FILE_NOT_FOUND, kFileNotFound},
    {ERROR_PATH_NOT_FOUND, kFileBadPath},
    {ERROR_INVALID_NAME, kFileBadPath},
    {ERROR_BAD_PATHNAME, kFileBadPath},
    {ERROR_INVALID_DRIVE, kFileBadPath},
    {ERROR_TOO_MANY_OPEN_FILES, kFileTooManyOpen},
    {ERROR_ACCESS_DENIED, kFileAccessDenied},
    {ERROR_WRITE_PROTECT, kFileAccessDenied},
    {ERROR_INVALID_HANDLE, kFileInvalid},
    {ERROR_CURRENT_DIRECTORY, kFileRemoveCurrentDir},
    {ERROR_CANNOT_MAKE, kFileDirectoryFull},
    {ERROR_SEEK, kFileBadSeek},
    {ERROR_NEGATIVE_SEEK, kFileBadSeek},
    {ERROR_CRC, kFileHardIo},
    {ERROR_READ_FAULT, kFileHardIo},
    {ERROR_WRITE_FAULT, kFileHardIo},
    {ERROR_GEN_FAILURE, kFileHardIo},
    {ERROR_NOT_READY, kFileHardIo},
    {ERROR_SHARING_VIOLATION, kFileSharingViolation},
    {ERROR_LOCK_VIOLATION, kFileLockViolation},
    {ERROR_NOT_LOCKED, kFileLockViolation},
    {ERROR_DISK_FULL, kFileDiskFull},
    {ERROR_HANDLE_DISK_FULL, kFileDiskFull},
    {ERROR_HANDLE_EOF, kFileEndOfFile},
    {ERROR_NOT_SUPPORTED, kFileLockUnsupported},
    {ERROR_INVALID_FUNCTION, kFileLockUnsupported},
};

int LastCause()
{
    const DWORD error = GetLastError();
    for (const ErrorCause& entry : kErrorCauses) {
        if (entry.error == error)
            return entry.cause;
    }
    return kFileGeneric;
}

class Win32FileIo : public DbFileIo {
public:
    explicit Win32FileIo(HANDLE file) : file_(file) {}
    ~Win32FileIo() override { CloseHandle(file_); }

    int Seek(uint32_t offset) override
    {
        if (offset > kMaxFileOffset)
            return kFileBadSeek;
        // Offsets stay below 2^31, so the failure value cannot be a real position.
        if (SetFilePointer(file_, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER)
            return LastCause();
        return kFileOk;
    }

    int Read(void* data, uint32_t size, uint32_t* got) override
    {
        DWORD n = 0;
        *got = 0;
        if (!ReadFile(file_, data, size, &n, nullptr))
            return LastCause();
        *got = n;
        return kFileOk;
    }

    int Write(const void* data, uint32_t size) override
    {
        DWORD n = 0;
        if (!WriteFile(file_, data, size, &n, nullptr))
            return LastCause();
        return n == size ? kFileOk : kFileDiskFull;
    }

    int SetLength(uint32_t length) override
    {
        const int cause = Seek(length);
        if (cause != kFileOk)
            return cause;
        return SetEndOfFile(file_) ? kFileOk : LastCause();
    }

    int GetLength(uint32_t* length) override
    {
        DWORD high = 0;
        const DWORD low = GetFileSize(file_, &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
            return LastCause();
        *length = high != 0 || low > kMaxFileOffset ? kMaxFileOffset : low;
        return kFileOk;
    }

    int Lock(uint32_t offset, uint32_t length) override
    {
        return LockFile(file_, offset, 0, length, 0) ? kFileOk : LastCause();
    }

    int Unlock(uint32_t offset, uint32_t length) override
    {
        return UnlockFile(file_, offset, 0, length, 0) ? kFileOk : LastCause();
    }

private:
    HANDLE file_;
};

}  // namespace

std::unique_ptr<DbFileIo> OpenDbFileIo(const std::string& path, DbOpenMode mode, int* cause)
{
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if (mode == DbOpenMode::kReadOnly)
        access = GENERIC_READ;
    else if (mode == DbOpenMode::kCreate)
        disposition = CREATE_ALWAYS;
    const HANDLE file = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *cause = LastCause();
        return nullptr;
    }
    *cause = kFileOk;
    return std::unique_ptr<DbFileIo>(new Win32FileIo(file));
}
