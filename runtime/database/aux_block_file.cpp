// The auxiliary block store; see aux_block_file.h.
//
// Every block number read from the file is checked before use: it must lie between 1 and the
// block count, and no block may appear twice in the chains one call walks. A chain that loops,
// leaves the file or reaches into the other chain therefore ends the call with -59 instead of
// looping or writing past the file.
//
// A put changes the file in place, so it keeps the bytes each of its writes replaces (and the
// tail a shrink cuts off): when any write or size change fails, it puts them back, newest first,
// and restores the file's length, so that the file is as it was before the put. The blocks a value
// needs beyond the old chain and the free blocks are added to the file before any block is
// overwritten: a full disk then fails the put before it has changed a byte.
#include "runtime/database/aux_block_file.h"

#include "runtime/core/byte_reader.h"
#include "runtime/core/byte_writer.h"
#include "runtime/database/db_lock.h"
#include "runtime/database/db_result.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace {

const char kMagic[4] = {'K', 'B', 'D', 'T'};

// A short read means the file is not what its links promise.
int32_t CodeOf(int cause)
{
    return cause == kFileEndOfFile ? kDbAuxAccessFailed : DbCodeFromFileError(cause);
}

uint32_t BlockOffset(uint32_t block) { return block * kAuxBlockSize; }

int32_t ReadHead(DbFileIo& io, uint32_t block, AuxBlockHead* head)
{
    uint8_t bytes[kAuxBlockHeadSize];
    const int cause = ReadAt(io, BlockOffset(block), bytes, sizeof bytes);
    *head = AuxBlockHead::Parse(bytes);
    return CodeOf(cause);
}

// One call of WriteAuxValue: the header (loaded once, locked while loaded), the block locks held,
// the blocks this call has already met and the bytes its writes replaced.
class AuxWriter {
public:
    explicit AuxWriter(DbFileIo& io) : io_(io) {}

    int32_t Run(const uint8_t* data, uint32_t length, uint32_t oldFirst, uint32_t* slot)
    {
        int32_t code = LoadHeader();
        if (code == kDbOk)
            code = WalkOldChain(oldFirst);
        if (code == kDbOk)
            code = SecureSpace(length);
        if (code == kDbOk && length > 0)
            code = WriteChunks(data, length, slot);
        if (code == kDbOk && nextOld_ < old_.size())
            code = FreeLeftover();
        code = Finish(code);
        // The old value stands when the put was undone.
        if (undone_)
            *slot = restored_ ? oldFirst : 0;
        return code;
    }

private:
    bool InRange(uint32_t block) const { return block >= 1 && block < header_.blockCount; }
    bool Seen(uint32_t block) const { return seen_.count(block) != 0; }

    // The header is loaded before any block is touched, so every block number can be checked
    // against the block count.
    int32_t LoadHeader()
    {
        int32_t code = PlatformLock(io_, 0, true);
        if (code != kDbOk)
            return code;
        headerLocked_ = true;
        code = ReadAuxHeader(io_, &header_);
        headerLoaded_ = code == kDbOk;
        if (code == kDbOk)
            code = CodeOf(io_.GetLength(&originalLength_));
        length_ = originalLength_;
        lengthKnown_ = code == kDbOk;
        return code;
    }

    // Every write of a put goes through here: the bytes it replaces are kept first.
    int32_t Write(uint32_t offset, const uint8_t* bytes, uint32_t size)
    {
        Change change;
        change.offset = offset;
        change.bytes.resize(offset < originalLength_ ? std::min(size, originalLength_ - offset) : 0);
        int32_t code = change.bytes.empty()
                           ? kDbOk
                           : CodeOf(ReadAt(io_, offset, change.bytes.data(),
                                           static_cast<uint32_t>(change.bytes.size())));
        if (code != kDbOk)
            return code;
        undo_.push_back(std::move(change));
        code = CodeOf(WriteAt(io_, offset, bytes, size));
        if (code == kDbOk)
            length_ = std::max(length_, offset + size);
        return code;
    }

    int32_t WriteHead(uint32_t block, const AuxBlockHead& head)
    {
        uint8_t bytes[kAuxBlockHeadSize];
        head.Serialize(bytes);
        return Write(BlockOffset(block), bytes, sizeof bytes);
    }

    // Makes the file long enough for the blocks the value needs beyond the old chain and the
    // free blocks, before anything is overwritten.
    int32_t SecureSpace(uint32_t length)
    {
        const uint64_t chunks = (uint64_t{length} + kAuxBlockData - 1) / kAuxBlockData;
        const uint64_t reusable = uint64_t{old_.size()} + header_.freeCount;
        if (chunks <= reusable)
            return kDbOk;
        const uint64_t blocks = header_.blockCount + (chunks - reusable);
        if (blocks > kAuxMaxBlocks)
            return kDbAuxAccessFailed;
        const uint32_t needed = static_cast<uint32_t>(blocks) * kAuxBlockSize;
        if (needed <= length_)
            return kDbOk;
        const int32_t code = CodeOf(io_.SetLength(needed));
        if (code == kDbOk)
            length_ = needed;
        return code;
    }

    // Cuts the file, keeping the bytes cut off.
    int32_t Cut(uint32_t length)
    {
        if (length < length_) {
            Change change;
            change.offset = length;
            change.bytes.resize(length_ - length);
            const int32_t code = CodeOf(ReadAt(io_, length, change.bytes.data(), length_ - length));
            if (code != kDbOk)
                return code;
            undo_.push_back(std::move(change));
        }
        const int32_t code = CodeOf(io_.SetLength(length));
        if (code == kDbOk)
            length_ = length;
        return code;
    }

    // Puts back what the put changed, newest first, and the file's length. False when that
    // failed too.
    bool Undo()
    {
        bool ok = true;
        for (auto change = undo_.rbegin(); change != undo_.rend(); ++change) {
            if (!change->bytes.empty())
                ok = WriteAt(io_, change->offset, change->bytes.data(),
                             static_cast<uint32_t>(change->bytes.size())) == kFileOk && ok;
        }
        uint32_t length = 0;
        if (io_.GetLength(&length) != kFileOk)
            return false;
        return (length == originalLength_ || io_.SetLength(originalLength_) == kFileOk) && ok;
    }

    int32_t WalkOldChain(uint32_t block)
    {
        while (block != 0) {
            if (!InRange(block) || Seen(block))
                return kDbAuxAccessFailed;
            AuxBlockHead head;
            const int32_t code = ReadHead(io_, block, &head);
            if (code != kDbOk)
                return code;
            if (head.used == 0 || head.used > kAuxBlockData)
                return kDbAuxAccessFailed;
            seen_.insert(block);
            old_.push_back(block);
            block = head.next;
        }
        return kDbOk;
    }

    int32_t LockBlock(uint32_t block)
    {
        const int32_t code = PlatformLock(io_, static_cast<int32_t>(BlockOffset(block)), true);
        if (code == kDbOk)
            held_.push_back(block);
        return code;
    }

    int32_t UnlockBlock(uint32_t block)
    {
        const auto found = std::find(held_.begin(), held_.end(), block);
        if (found != held_.end())
            held_.erase(found);
        return PlatformLock(io_, static_cast<int32_t>(BlockOffset(block)), false);
    }

    void UnlockAll()
    {
        while (!held_.empty())
            UnlockBlock(held_.back());
    }

    // Takes the first free block for a chunk.
    int32_t TakeFree(uint32_t* block)
    {
        const uint32_t taken = header_.firstFree;
        if (!InRange(taken) || Seen(taken))
            return kDbAuxAccessFailed;
        int32_t code = LockBlock(taken);
        AuxBlockHead head;
        if (code == kDbOk)
            code = ReadHead(io_, taken, &head);
        if (code != kDbOk)
            return code;
        seen_.insert(taken);
        const uint32_t next = head.next;
        if (head.used != 0 || (next != 0 && (!InRange(next) || Seen(next))))
            return kDbAuxAccessFailed;
        header_.firstFree = next;
        --header_.freeCount;
        if ((header_.freeCount == 0) != (next == 0))
            return kDbAuxAccessFailed;
        *block = taken;
        // The new first free block has no predecessor any more: the taken one is data now.
        return next != 0 ? RelinkPrevious(next, 0) : kDbOk;
    }

    // Sets the previous-block word of `block` under its lock.
    int32_t RelinkPrevious(uint32_t block, uint32_t previous)
    {
        int32_t code = LockBlock(block);
        if (code != kDbOk)
            return code;
        AuxBlockHead head;
        code = ReadHead(io_, block, &head);
        if (code == kDbOk && head.used != 0)
            code = kDbAuxAccessFailed;  // the free chain leads into a value
        if (code == kDbOk) {
            head.previous = previous;
            code = WriteHead(block, head);
        }
        const int32_t unlocked = UnlockBlock(block);
        return code != kDbOk ? code : unlocked;
    }

    // The block for the next chunk: the old chain first, then a free block, then a new one.
    int32_t TakeBlock(uint32_t* block)
    {
        if (nextOld_ < old_.size()) {
            *block = old_[nextOld_++];
            return LockBlock(*block);
        }
        if (header_.freeCount > 0)
            return TakeFree(block);
        if (header_.blockCount >= kAuxMaxBlocks)
            return kDbAuxAccessFailed;
        *block = header_.blockCount++;
        seen_.insert(*block);
        return LockBlock(*block);
    }

    int32_t WriteBlock(uint32_t block, const ByteWriter& bytes)
    {
        return Write(BlockOffset(block), bytes.data(), kAuxBlockSize);
    }

    // A block's bytes: its head, the chunk (zeros without data) and zeros to 500 bytes.
    static ByteWriter Fill(const AuxBlockHead& head, const uint8_t* chunk, uint32_t length)
    {
        ByteWriter bytes;
        bytes.u32(head.previous);
        bytes.u32(head.next);
        bytes.u32(head.used);
        if (chunk)
            bytes.bytes(chunk, length);
        bytes.zeros(kAuxBlockSize - bytes.size());
        return bytes;
    }

    int32_t WriteChunks(const uint8_t* data, uint32_t length, uint32_t* slot)
    {
        ByteWriter pending;
        uint32_t pendingBlock = 0;
        for (uint32_t done = 0; done < length;) {
            const uint32_t chunk = std::min(kAuxBlockData, length - done);
            uint32_t block = 0;
            int32_t code = TakeBlock(&block);
            if (code != kDbOk)
                return code;
            if (*slot == 0)
                *slot = block;
            if (pendingBlock != 0) {
                pending.patchU32(4, block);
                code = WriteBlock(pendingBlock, pending);
                if (code == kDbOk)
                    code = UnlockBlock(pendingBlock);
                if (code != kDbOk)
                    return code;
            }
            AuxBlockHead head;
            head.previous = pendingBlock;
            head.used = chunk;
            pending = Fill(head, data ? data + done : nullptr, chunk);
            pendingBlock = block;
            done += chunk;
        }
        return WriteBlock(pendingBlock, pending);
    }

    // Frees what is left of the old chain: it becomes the head of the free chain.
    int32_t FreeLeftover()
    {
        UnlockAll();
        const uint32_t oldFree = header_.firstFree;
        if (oldFree != 0 && (!InRange(oldFree) || Seen(oldFree)))
            return kDbAuxAccessFailed;
        const size_t first = nextOld_;
        bool hadLast = false;
        for (size_t i = first; i < old_.size(); ++i) {
            const uint32_t block = old_[i];
            const bool last = i + 1 == old_.size();
            AuxBlockHead head;
            head.previous = i == first ? 0 : old_[i - 1];
            head.next = last ? oldFree : old_[i + 1];
            int32_t code = LockBlock(block);
            if (code == kDbOk && last && oldFree != 0)
                code = RelinkPrevious(oldFree, block);
            if (code == kDbOk)
                code = WriteBlock(block, Fill(head, nullptr, 0));
            const int32_t unlocked = code == kDbOk ? UnlockBlock(block) : kDbOk;
            if (code != kDbOk || unlocked != kDbOk)
                return code != kDbOk ? code : unlocked;
            hadLast = hadLast || block == header_.blockCount - 1;
        }
        header_.freeCount += static_cast<uint32_t>(old_.size() - first);
        header_.firstFree = old_[first];
        return hadLast ? Shrink() : kDbOk;
    }

    // Drops the free blocks at the end of the file from the free chain and cuts the file after
    // the last block in use.
    int32_t Shrink()
    {
        uint32_t last = header_.blockCount - 1;
        for (; last > 0; --last) {
            AuxBlockHead head;
            int32_t code = ReadHead(io_, last, &head);
            if (code != kDbOk)
                return code;
            if (head.used != 0)
                break;
            code = Unlink(last, head);
            if (code != kDbOk)
                return code;
            if (header_.freeCount > 0)
                --header_.freeCount;
        }
        header_.blockCount = last + 1;
        return Cut(BlockOffset(header_.blockCount));
    }

    // Removes a free block from the free chain. The header's first free block decides whether it
    // is the head, whatever its previous-block word says.
    int32_t Unlink(uint32_t block, const AuxBlockHead& head)
    {
        if (head.next == block || (head.next != 0 && !InRange(head.next)))
            return kDbAuxAccessFailed;
        uint32_t previous = 0;
        if (header_.firstFree == block) {
            header_.firstFree = head.next;
        } else {
            previous = head.previous;
            AuxBlockHead before;
            if (!InRange(previous) || previous == block)
                return kDbAuxAccessFailed;
            int32_t code = ReadHead(io_, previous, &before);
            if (code != kDbOk)
                return code;
            if (before.used != 0 || before.next != block)
                return kDbAuxAccessFailed;
            before.next = head.next;
            code = WriteHead(previous, before);
            if (code != kDbOk)
                return code;
        }
        if (head.next == 0)
            return kDbOk;
        AuxBlockHead after;
        int32_t code = ReadHead(io_, head.next, &after);
        if (code == kDbOk) {
            after.previous = previous;
            code = WriteHead(head.next, after);
        }
        return code;
    }

    int32_t Finish(int32_t code)
    {
        if (code == kDbOk && headerLoaded_) {
            uint8_t bytes[kAuxHeaderSize];
            header_.Serialize(bytes);
            code = Write(0, bytes, sizeof bytes);
        }
        // Undone under the header lock, which keeps readers and other writers out meanwhile.
        if (code != kDbOk) {
            undone_ = true;
            restored_ = !lengthKnown_ || Undo();
        }
        if (headerLocked_) {
            const int32_t unlocked = PlatformLock(io_, 0, false);
            code = code != kDbOk ? code : unlocked;
        }
        UnlockAll();
        return code;
    }

    struct Change {
        uint32_t offset = 0;
        std::vector<uint8_t> bytes;   // what was there before, up to the file's old end
    };

    DbFileIo& io_;
    AuxHeader header_;
    bool headerLocked_ = false;
    bool headerLoaded_ = false;
    bool lengthKnown_ = false;            // nothing is written before the length is known
    bool undone_ = false;
    bool restored_ = false;               // the undo put every byte back
    uint32_t originalLength_ = 0;
    uint32_t length_ = 0;                 // the file's length as this call left it
    std::vector<Change> undo_;
    std::vector<uint32_t> held_;          // block locks this call holds
    std::vector<uint32_t> old_;           // the old chain, in order
    size_t nextOld_ = 0;                  // the first old block not reused yet
    std::unordered_set<uint32_t> seen_;   // blocks of the old chain and blocks taken
};

}  // namespace

AuxHeader AuxHeader::Parse(const uint8_t* bytes)
{
    ByteReader reader(bytes, kAuxHeaderSize);
    AuxHeader header;
    header.magicOk = std::memcmp(reader.view(4), kMagic, sizeof kMagic) == 0;
    header.version = reader.u32();
    header.reserved8 = reader.u32();
    header.reserved12 = reader.u32();
    header.blockCount = reader.u32();
    header.freeCount = reader.u32();
    header.firstFree = reader.u32();
    header.reserved28 = reader.u32();
    return header;
}

void AuxHeader::Serialize(uint8_t* bytes) const
{
    ByteWriter writer;
    writer.bytes(kMagic, sizeof kMagic);
    writer.u32(version);
    writer.u32(reserved8);
    writer.u32(reserved12);
    writer.u32(blockCount);
    writer.u32(freeCount);
    writer.u32(firstFree);
    writer.u32(reserved28);
    std::memcpy(bytes, writer.data(), kAuxHeaderSize);
}

AuxBlockHead AuxBlockHead::Parse(const uint8_t* bytes)
{
    ByteReader reader(bytes, kAuxBlockHeadSize);
    AuxBlockHead head;
    head.previous = reader.u32();
    head.next = reader.u32();
    head.used = reader.u32();
    return head;
}

void AuxBlockHead::Serialize(uint8_t* bytes) const
{
    ByteWriter writer;
    writer.u32(previous);
    writer.u32(next);
    writer.u32(used);
    std::memcpy(bytes, writer.data(), kAuxBlockHeadSize);
}

int32_t CreateAuxFile(DbFileIo& io)
{
    uint8_t block[kAuxBlockSize] = {};
    AuxHeader().Serialize(block);
    if (WriteAt(io, 0, block, kAuxBlockSize) != kFileOk ||
        io.SetLength(kAuxBlockSize) != kFileOk)
        return kDbCreateAuxFailed;
    return kDbOk;
}

int32_t ReadAuxHeader(DbFileIo& io, AuxHeader* header)
{
    uint8_t bytes[kAuxHeaderSize];
    const int32_t code = CodeOf(ReadAt(io, 0, bytes, sizeof bytes));
    if (code != kDbOk)
        return code;
    *header = AuxHeader::Parse(bytes);
    if (!header->magicOk || header->version != kAuxVersion)
        return kDbNotAuxFile;
    const bool countsAgree = header->blockCount >= 1 && header->blockCount <= kAuxMaxBlocks &&
                             header->freeCount < header->blockCount &&
                             header->firstFree < header->blockCount &&
                             (header->freeCount == 0) == (header->firstFree == 0);
    if (!countsAgree)
        return kDbAuxAccessFailed;
    // Blocks the header counts must be in the file: appending after a missing stretch would
    // write far past its end.
    uint32_t length = 0;
    const int cause = io.GetLength(&length);
    if (cause != kFileOk)
        return CodeOf(cause);
    return length / kAuxBlockSize >= header->blockCount ? kDbOk : kDbAuxAccessFailed;
}

int32_t WriteAuxValue(AuxBlockFile& aux, const void* data, uint32_t length, uint32_t oldFirst,
                      uint32_t* slot)
{
    *slot = 0;
    if (!aux.IsOpen())
        return kDbAuxAccessFailed;
    if (length == 0 && oldFirst == 0)
        return kDbOk;
    AuxWriter writer(*aux.io());
    return writer.Run(static_cast<const uint8_t*>(data), length, oldFirst, slot);
}

namespace {

int32_t ReadChain(DbFileIo& io, uint32_t first, std::vector<uint8_t>* value)
{
    AuxHeader header;
    int32_t code = ReadAuxHeader(io, &header);
    if (code != kDbOk)
        return code;
    // A chain longer than the file has blocks must run in a circle.
    uint32_t steps = 0;
    uint8_t bytes[kAuxBlockSize];
    for (uint32_t block = first; block != 0;) {
        if (block >= header.blockCount || ++steps >= header.blockCount)
            return kDbAuxAccessFailed;
        code = CodeOf(ReadAt(io, BlockOffset(block), bytes, sizeof bytes));
        if (code != kDbOk)
            return code;
        const AuxBlockHead head = AuxBlockHead::Parse(bytes);
        if (head.used == 0 || head.used > kAuxBlockData)
            return kDbAuxAccessFailed;
        value->insert(value->end(), bytes + kAuxBlockHeadSize, bytes + kAuxBlockHeadSize + head.used);
        block = head.next;
    }
    return kDbOk;
}

}  // namespace

int32_t ReadAuxValue(AuxBlockFile& aux, uint32_t first, std::vector<uint8_t>* value)
{
    value->clear();
    if (!aux.IsOpen())
        return kDbAuxAccessFailed;
    if (first == 0)
        return kDbOk;
    // A put holds the header byte from start to end; holding it while the chain is read means
    // the value is read whole as it was before a put or after it.
    int32_t code = PlatformLock(*aux.io(), 0, true);
    if (code != kDbOk)
        return code;
    code = ReadChain(*aux.io(), first, value);
    const int32_t unlocked = PlatformLock(*aux.io(), 0, false);
    return code != kDbOk ? code : unlocked;
}
