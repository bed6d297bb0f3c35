// In-memory file; see mem_file.h.
#include "runtime/framework/mem_file.h"

#include <cassert>
#include <cstring>

CMemFile::CMemFile(size_t growBytes) : m_growBytes(growBytes ? growBytes : 1) {}

CMemFile::CMemFile(const void* data, size_t size) {
    Attach(data, size);
}

void CMemFile::Attach(const void* data, size_t size) {
    assert(data || size == 0);
    m_owned.clear();
    m_owned.shrink_to_fit();
    m_view = static_cast<const uint8_t*>(data);
    m_viewSize = data ? size : 0;
    m_pos = 0;
    m_readOnly = true;
}

std::vector<uint8_t> CMemFile::Detach() {
    std::vector<uint8_t> out;
    if (!m_readOnly)
        out.swap(m_owned);
    m_view = nullptr;
    m_viewSize = 0;
    m_pos = 0;
    m_readOnly = false;
    return out;
}

size_t CMemFile::Read(void* out, size_t n) {
    assert(out || n == 0);
    size_t length = GetLength();
    size_t count = m_pos < length ? length - m_pos : 0;
    if (count > n)
        count = n;
    if (count)
        std::memcpy(out, GetData() + m_pos, count);
    m_pos += count;
    return count;
}

bool CMemFile::Write(const void* data, size_t n) {
    assert(data || n == 0);
    if (m_readOnly)
        return false;
    if (n == 0)
        return true;
    size_t needed = m_pos + n;
    if (needed > m_owned.capacity()) {
        // Grow in whole steps, as callers size the step to their typical output.
        size_t steps = (needed + m_growBytes - 1) / m_growBytes;
        m_owned.reserve(steps * m_growBytes);
    }
    if (needed > m_owned.size())
        m_owned.resize(needed);
    std::memcpy(m_owned.data() + m_pos, data, n);
    m_pos = needed;
    return true;
}

bool CMemFile::Seek(long long offset, SeekFrom from) {
    long long base = 0;
    switch (from) {
    case begin: base = 0; break;
    case current: base = static_cast<long long>(m_pos); break;
    case end: base = static_cast<long long>(GetLength()); break;
    }
    if (offset > 0 && offset > static_cast<long long>(GetLength()) - base)
        return false;
    long long target = base + offset;
    if (target < 0 || target > static_cast<long long>(GetLength()))
        return false;
    m_pos = static_cast<size_t>(target);
    return true;
}

bool CMemFile::SetLength(size_t length) {
    if (m_readOnly)
        return false;
    m_owned.resize(length);
    if (m_pos > length)
        m_pos = length;
    return true;
}
