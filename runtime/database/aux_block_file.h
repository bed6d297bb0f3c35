// The auxiliary file: the block store that holds the values of memo and byte-set fields.
//
// The file is a sequence of 512-byte blocks, block n at n * 512. Block 0 holds the 32-byte
// header; every other block starts with three words (previous block, next block, bytes used)
// followed by 500 data bytes. A value is a chain of data blocks (1 to 500 bytes used each) and
// the record keeps the number of its first block, 0 for no value; free blocks (0 bytes used) form
// a second chain, linked both ways, that starts at the header's first free block.
//
// A writer holds the byte at offset 0 locked from the start of a put to its end, and the first
// byte of each block while it writes that block; a reader holds the byte at offset 0 while it
// reads a value.
#pragma once

#include "runtime/database/db_file_io.h"

#include <cstdint>
#include <vector>

constexpr uint32_t kAuxBlockSize = 512;
constexpr uint32_t kAuxBlockHeadSize = 12;
constexpr uint32_t kAuxBlockData = 500;
constexpr uint32_t kAuxHeaderSize = 32;
constexpr uint32_t kAuxVersion = 0x00010000;
// The most blocks a file may have, so that every block lies below the largest file offset.
constexpr uint32_t kAuxMaxBlocks = (kMaxFileOffset + 1) / kAuxBlockSize - 1;

struct AuxHeader {
    uint32_t version = kAuxVersion;
    uint32_t reserved8 = 0;       // two words not interpreted here, written back unchanged
    uint32_t reserved12 = 0;
    uint32_t blockCount = 1;      // the number of the next block to append
    uint32_t freeCount = 0;
    uint32_t firstFree = 0;       // 0 = none
    uint32_t reserved28 = 0;      // not interpreted here, written back unchanged
    bool magicOk = true;

    static AuxHeader Parse(const uint8_t* bytes);   // 32 bytes
    void Serialize(uint8_t* bytes) const;           // 32 bytes
};

struct AuxBlockHead {
    uint32_t previous = 0;   // 0: the first block of its chain
    uint32_t next = 0;       // 0: the last block of its chain
    uint32_t used = 0;       // 1 to 500 in a data block, 0 in a free block

    static AuxBlockHead Parse(const uint8_t* bytes);  // 12 bytes
    void Serialize(uint8_t* bytes) const;             // 12 bytes
};

// An open auxiliary file, or none.
class AuxBlockFile {
public:
    explicit AuxBlockFile(DbFileIo* io = nullptr) : io_(io) {}
    DbFileIo* io() const { return io_; }
    bool IsOpen() const { return io_ != nullptr; }

private:
    DbFileIo* io_;  // not owned
};

// Writes the header block of a new, empty file (block count 1, no free blocks); -50 on failure.
int32_t CreateAuxFile(DbFileIo& io);

// Reads and checks the header: -37 when the file is not an auxiliary file (magic or version),
// -59 when it is short, its counts contradict each other or the file lacks blocks it counts.
int32_t ReadAuxHeader(DbFileIo& io, AuxHeader* header);

// Stores `length` bytes of `data` (zeros when data is null) as a value that replaces the chain
// starting at `oldFirst` (0: none): the old chain's blocks are reused first, then free blocks,
// then new blocks at the end; what is left of the old chain is freed, and the file shrinks when
// its last blocks become free. *slot receives the new first block, 0 for length 0.
// A put that fails is undone: the file is left byte for byte as it was and *slot is `oldFirst`,
// the value that still stands. Only when putting the old bytes back fails as well (0 in *slot)
// can the file be left between the two.
int32_t WriteAuxValue(AuxBlockFile& aux, const void* data, uint32_t length, uint32_t oldFirst,
                      uint32_t* slot);

// Reads the value whose chain starts at `first` (0: the empty value), under the header byte's
// lock (-28 when a put elsewhere keeps it longer than the lock wait time).
int32_t ReadAuxValue(AuxBlockFile& aux, uint32_t first, std::vector<uint8_t>* value);
