// CArchive: the loading or storing side of a CMemFile, in the stored-data encoding of the
// runtime (32-bit little-endian words; blocks and texts as a 32-bit length then the bytes).
// Loading decodes through the one ByteReader; any short or malformed read sets a sticky failure
// status instead of throwing, yields zeros/empties from then on, and never reads past the file.
// Portable: no Win32 header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/core/byte_reader.h"
#include "runtime/core/byte_writer.h"
#include "runtime/framework/mem_file.h"

class CArchive {
public:
    enum Mode { load, store };

    // A loading archive starts at the file's position; every read advances that position.
    // A storing archive collects its output and appends it at the file's position on Flush().
    CArchive(CMemFile& file, Mode mode);
    ~CArchive();  // flushes a storing archive that was not closed

    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }
    bool Failed() const { return m_failed || m_in.failed(); }
    bool IsOk() const { return !Failed(); }
    CMemFile& GetFile() { return m_file; }

    // Loading. Each answers zero / empty / false once the archive has failed.
    uint8_t ReadByte();
    uint16_t ReadWord();
    uint32_t ReadDWord();
    int32_t ReadInt();
    double ReadDouble();
    bool Read(void* out, size_t n);
    bool Skip(size_t n);
    // A 32-bit length then that many bytes; a length of 0 or below (as signed) is empty.
    bool ReadBlock(std::vector<uint8_t>& out);
    // A text in the block form (no terminator stored).
    bool ReadText(std::string& out);
    // A zero-terminated text; a missing terminator is a failure.
    bool ReadZText(std::string& out);
    // Steps over a zero-terminated text, with the same failure.
    bool SkipZText();

    // Storing. Writing to a loading archive is a programmer error.
    void WriteByte(uint8_t v);
    void WriteWord(uint16_t v);
    void WriteDWord(uint32_t v);
    void WriteInt(int32_t v);
    void WriteDouble(double v);
    void Write(const void* data, size_t n);
    void WriteBlock(const void* data, size_t n);
    void WriteText(const std::string& text);
    void WriteZText(const std::string& text);
    // Appends what was stored so far to the file; false (and failed) when the file refuses it.
    bool Flush();
    // Flushes a storing archive; a loading archive just stops reading.
    void Close();

private:
    // Moves the file to where the reader now is, so file and archive agree after every read.
    void SyncFile();
    // Consumes a zero-terminated text and gives where its bytes lie and how many there are.
    bool TakeZText(const uint8_t** start, size_t* n);

    CMemFile& m_file;
    Mode m_mode;
    size_t m_base = 0;  // file position at which the reader's view starts
    ByteReader m_in;
    ByteWriter m_out;
    bool m_failed = false;
    bool m_closed = false;
};
