// Loading and storing archive over an in-memory file; see archive.h.
#include "runtime/framework/archive.h"

#include <cassert>

CArchive::CArchive(CMemFile& file, Mode mode) : m_file(file), m_mode(mode) {
    if (mode == load) {
        m_base = file.GetPosition();
        size_t length = file.GetLength();
        const uint8_t* data = file.GetData();
        m_in = ByteReader(data ? data + m_base : nullptr, data ? length - m_base : 0);
    }
}

CArchive::~CArchive() {
    if (!m_closed)
        Close();
}

void CArchive::SyncFile() {
    m_file.Seek(static_cast<long long>(m_base + m_in.position()), CMemFile::begin);
}

uint8_t CArchive::ReadByte() {
    assert(IsLoading());
    uint8_t v = m_in.u8();
    SyncFile();
    return v;
}

uint16_t CArchive::ReadWord() {
    assert(IsLoading());
    uint16_t v = m_in.u16();
    SyncFile();
    return v;
}

uint32_t CArchive::ReadDWord() {
    assert(IsLoading());
    uint32_t v = m_in.u32();
    SyncFile();
    return v;
}

int32_t CArchive::ReadInt() {
    return static_cast<int32_t>(ReadDWord());
}

double CArchive::ReadDouble() {
    assert(IsLoading());
    double v = m_in.f64();
    SyncFile();
    return v;
}

bool CArchive::Read(void* out, size_t n) {
    assert(IsLoading());
    bool ok = m_in.bytes(out, n);
    SyncFile();
    return ok;
}

bool CArchive::Skip(size_t n) {
    assert(IsLoading());
    bool ok = m_in.skip(n);
    SyncFile();
    return ok;
}

bool CArchive::ReadBlock(std::vector<uint8_t>& out) {
    out.clear();
    int32_t length = ReadInt();
    if (Failed())
        return false;
    if (length <= 0)
        return true;
    // The view is checked before anything is allocated: a corrupt length must not ask for
    // gigabytes.
    const uint8_t* p = m_in.view(static_cast<size_t>(length));
    SyncFile();
    if (!p)
        return false;
    out.assign(p, p + length);
    return true;
}

bool CArchive::ReadText(std::string& out) {
    out.clear();
    int32_t length = ReadInt();
    if (Failed())
        return false;
    if (length <= 0)
        return true;
    const uint8_t* p = m_in.view(static_cast<size_t>(length));
    SyncFile();
    if (!p)
        return false;
    out.assign(reinterpret_cast<const char*>(p), static_cast<size_t>(length));
    return true;
}

bool CArchive::ReadZText(std::string& out) {
    out.clear();
    const uint8_t* start = nullptr;
    size_t n = 0;
    if (!TakeZText(&start, &n))
        return false;
    out.assign(reinterpret_cast<const char*>(start), n);
    return true;
}

bool CArchive::SkipZText() {
    const uint8_t* start = nullptr;
    size_t n = 0;
    return TakeZText(&start, &n);
}

bool CArchive::TakeZText(const uint8_t** start, size_t* n) {
    assert(IsLoading());
    if (Failed())
        return false;
    const uint8_t* at = m_in.data() ? m_in.data() + m_in.position() : nullptr;
    const size_t available = m_in.remaining();
    size_t length = 0;
    while (length < available && at[length] != 0)
        ++length;
    if (length == available) {
        // No terminator before the end of the file: the text is cut off.
        m_in.fail();
        return false;
    }
    *start = at;
    *n = length;
    m_in.skip(length + 1);
    SyncFile();
    return true;
}

void CArchive::WriteByte(uint8_t v) {
    assert(IsStoring());
    m_out.u8(v);
}

void CArchive::WriteWord(uint16_t v) {
    assert(IsStoring());
    m_out.u16(v);
}

void CArchive::WriteDWord(uint32_t v) {
    assert(IsStoring());
    m_out.u32(v);
}

void CArchive::WriteInt(int32_t v) {
    assert(IsStoring());
    m_out.i32(v);
}

void CArchive::WriteDouble(double v) {
    assert(IsStoring());
    m_out.f64(v);
}

void CArchive::Write(const void* data, size_t n) {
    assert(IsStoring());
    m_out.bytes(data, n);
}

void CArchive::WriteBlock(const void* data, size_t n) {
    assert(IsStoring());
    assert(n <= 0x7FFFFFFFu);
    m_out.u32(static_cast<uint32_t>(n));
    m_out.bytes(data, n);
}

void CArchive::WriteText(const std::string& text) {
    WriteBlock(text.data(), text.size());
}

void CArchive::WriteZText(const std::string& text) {
    assert(IsStoring());
    m_out.bytes(text.c_str(), text.size() + 1);
}

bool CArchive::Flush() {
    if (!IsStoring())
        return !Failed();
    if (m_out.size() && !m_file.Write(m_out.data(), m_out.size()))
        m_failed = true;
    m_out.clear();
    return !m_failed;
}

void CArchive::Close() {
    Flush();
    m_closed = true;
}
