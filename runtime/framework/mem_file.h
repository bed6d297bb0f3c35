// CMemFile: a file held in memory. Either attached to a block it only reads (the program image's
// window descriptions, a unit's stored data) or owning a growable block that it writes (stored
// data handed back to the runtime). Portable: no Win32 header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CMemFile {
public:
    enum SeekFrom { begin, current, end };

    // An empty, writable file that grows in steps of growBytes.
    explicit CMemFile(size_t growBytes = 1024);
    // A read-only view of a block the caller keeps alive for the life of the file.
    CMemFile(const void* data, size_t size);

    CMemFile(const CMemFile&) = delete;
    CMemFile& operator=(const CMemFile&) = delete;

    // Drops the current contents and views the given block read-only.
    void Attach(const void* data, size_t size);
    // Takes the written bytes out of an owned file; the file is left empty and writable.
    std::vector<uint8_t> Detach();

    // Copies up to n bytes from the position; answers how many were copied (short at the end).
    size_t Read(void* out, size_t n);
    // Writes at the position, growing the file; false (nothing written) for a read-only file.
    bool Write(const void* data, size_t n);
    // Moves within [0, length]; a target outside leaves the position unchanged and answers false.
    bool Seek(long long offset, SeekFrom from);
    void SeekToBegin() { m_pos = 0; }

    size_t GetPosition() const { return m_pos; }
    size_t GetLength() const { return m_readOnly ? m_viewSize : m_owned.size(); }
    // Truncates or zero-extends an owned file; false for a read-only one.
    bool SetLength(size_t length);
    bool IsReadOnly() const { return m_readOnly; }
    // The whole contents (GetLength() bytes); may be null when the file is empty.
    const uint8_t* GetData() const { return m_readOnly ? m_view : m_owned.data(); }

private:
    const uint8_t* m_view = nullptr;
    size_t m_viewSize = 0;
    std::vector<uint8_t> m_owned;
    size_t m_growBytes = 1024;
    size_t m_pos = 0;
    bool m_readOnly = false;
};
