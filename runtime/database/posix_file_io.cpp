// The file layer on POSIX: a file descriptor and fcntl record locks.
//
// fcntl locks belong to the process, not to the descriptor: a process never conflicts with
// itself, and closing any descriptor of the file drops all of the process's locks on it. The
// database opens each file once per process, which keeps this invisible.
#include "runtime/database/db_file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// errno after open, read, write or truncate.
int CauseOfErrno(int error)
{
    switch (error) {
    case ENOENT: return kFileNotFound;
    case ENOTDIR: case ENAMETOOLONG: case ELOOP: return kFileBadPath;
    case EMFILE: case ENFILE: return kFileTooManyOpen;
    case EACCES: case EPERM: case EROFS: case EISDIR: return kFileAccessDenied;
    case EBADF: return kFileInvalid;
    case ESPIPE: return kFileBadSeek;
    case EIO: return kFileHardIo;
    case ENOSPC: case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return kFileDiskFull;
    default: return kFileGeneric;
    }
}

// errno after a lock request.
int CauseOfLockErrno(int error)
{
    switch (error) {
    case EACCES: case EAGAIN: return kFileLockViolation;
    case ENOLCK: case EOPNOTSUPP: case ENOSYS: return kFileLockUnsupported;
    default: return CauseOfErrno(error);
    }
}

class PosixFileIo : public DbFileIo {
public:
    PosixFileIo(int fd, bool readOnly) : fd_(fd), readOnly_(readOnly) {}
    ~PosixFileIo() override { close(fd_); }

    int Seek(uint32_t offset) override
    {
        if (offset > kMaxFileOffset)
            return kFileBadSeek;
        return lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0 ? kFileBadSeek : kFileOk;
    }

    int Read(void* data, uint32_t size, uint32_t* got) override
    {
        *got = 0;
        while (*got < size) {
            const ssize_t n = read(fd_, static_cast<char*>(data) + *got, size - *got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return CauseOfErrno(errno);
            if (n == 0)
                break;
            *got += static_cast<uint32_t>(n);
        }
        return kFileOk;
    }

    int Write(const void* data, uint32_t size) override
    {
        uint32_t done = 0;
        while (done < size) {
            const ssize_t n = write(fd_, static_cast<const char*>(data) + done, size - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return n < 0 ? CauseOfErrno(errno) : kFileDiskFull;
            done += static_cast<uint32_t>(n);
        }
        return kFileOk;
    }

    int SetLength(uint32_t length) override
    {
        return ftruncate(fd_, static_cast<off_t>(length)) == 0 ? kFileOk : CauseOfErrno(errno);
    }

    int GetLength(uint32_t* length) override
    {
        struct stat st;
        if (fstat(fd_, &st) != 0)
            return CauseOfErrno(errno);
        *length = st.st_size > kMaxFileOffset ? kMaxFileOffset : static_cast<uint32_t>(st.st_size);
        return kFileOk;
    }

    // A descriptor open for reading only cannot take a write lock; its read lock still keeps
    // writers of other processes out.
    int Lock(uint32_t offset, uint32_t length) override
    {
        return Request(readOnly_ ? F_RDLCK : F_WRLCK, offset, length);
    }
    int Unlock(uint32_t offset, uint32_t length) override { return Request(F_UNLCK, offset, length); }

private:
    int Request(short type, uint32_t offset, uint32_t length)
    {
        struct flock lock = {};
        lock.l_type = type;
        lock.l_whence = SEEK_SET;
        lock.l_start = static_cast<off_t>(offset);
        lock.l_len = static_cast<off_t>(length);
        while (fcntl(fd_, F_SETLK, &lock) != 0) {
            if (errno != EINTR)
                return CauseOfLockErrno(errno);
        }
        return kFileOk;
    }

    int fd_;
    bool readOnly_;
};

}  // namespace

std::unique_ptr<DbFileIo> OpenDbFileIo(const std::string& path, DbOpenMode mode, int* cause)
{
    int flags = O_RDWR;
    if (mode == DbOpenMode::kReadOnly)
        flags = O_RDONLY;
    else if (mode == DbOpenMode::kCreate)
        flags = O_RDWR | O_CREAT | O_TRUNC;
    const int fd = open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        *cause = CauseOfErrno(errno);
        return nullptr;
    }
    *cause = kFileOk;
    return std::unique_ptr<DbFileIo>(new PosixFileIo(fd, mode == DbOpenMode::kReadOnly));
}
