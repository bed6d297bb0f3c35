// Helpers shared by every file layer; see db_file_io.h.
#include "runtime/database/db_file_io.h"

int ReadAt(DbFileIo& io, uint32_t offset, void* data, uint32_t size)
{
    int cause = io.Seek(offset);
    if (cause != kFileOk)
        return cause;
    uint32_t got = 0;
    cause = io.Read(data, size, &got);
    if (cause != kFileOk)
        return cause;
    return got == size ? kFileOk : kFileEndOfFile;
}

int WriteAt(DbFileIo& io, uint32_t offset, const void* data, uint32_t size)
{
    const int cause = io.Seek(offset);
    return cause != kFileOk ? cause : io.Write(data, size);
}
