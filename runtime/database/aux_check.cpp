// Auxiliary file check; see aux_check.h.
#include "runtime/database/aux_check.h"

#include "runtime/database/aux_block_file.h"
#include "runtime/database/db_result.h"

#include <vector>

namespace {

enum Owner : uint8_t { kUnclaimed, kFree, kData };

struct Block {
    AuxBlockHead head;
    bool cleanTail = true;  // the data bytes past the used count are zero
    Owner owner = kUnclaimed;
};

std::string Describe(uint32_t block, const char* what)
{
    return "block " + std::to_string(block) + ": " + what;
}

class AuxChecker {
public:
    AuxChecker(DbFileIo& io, AuxCheckReport* report) : io_(io), report_(*report) {}

    int32_t Run()
    {
        int32_t code = ReadAuxHeader(io_, &header_);
        if (code != kDbOk)
            return Fail(code, code == kDbNotAuxFile ? "bad magic or version"
                                                    : "header counts disagree or header short");
        report_.blocks = header_.blockCount;
        uint32_t length = 0;
        if (io_.GetLength(&length) != kFileOk || length != header_.blockCount * kAuxBlockSize)
            return Fail(kDbAuxAccessFailed, "file size is not block count x 512");
        code = ReadBlocks();
        if (code == kDbOk)
            code = WalkFree();
        for (uint32_t b = 1; code == kDbOk && b < header_.blockCount; ++b) {
            if (blocks_[b].owner == kUnclaimed && blocks_[b].head.used != 0 &&
                blocks_[b].head.previous == 0)
                code = WalkValue(b);
        }
        for (uint32_t b = 1; code == kDbOk && b < header_.blockCount; ++b) {
            if (blocks_[b].owner == kUnclaimed)
                code = Fail(kDbAuxAccessFailed, Describe(b, "in no chain"));
        }
        return code;
    }

private:
    int32_t Fail(int32_t code, const std::string& problem)
    {
        report_.problem = problem;
        return code;
    }

    int32_t ReadBlocks()
    {
        blocks_.resize(header_.blockCount);
        uint8_t bytes[kAuxBlockSize];
        for (uint32_t b = 1; b < header_.blockCount; ++b) {
            if (ReadAt(io_, b * kAuxBlockSize, bytes, sizeof bytes) != kFileOk)
                return Fail(kDbAuxAccessFailed, Describe(b, "cannot be read"));
            Block& block = blocks_[b];
            block.head = AuxBlockHead::Parse(bytes);
            if (block.head.used > kAuxBlockData)
                return Fail(kDbAuxAccessFailed, Describe(b, "used count above 500"));
            for (uint32_t i = kAuxBlockHeadSize + block.head.used; i < kAuxBlockSize; ++i)
                block.cleanTail = block.cleanTail && bytes[i] == 0;
        }
        return kDbOk;
    }

    // Follows a chain from `first`, claiming its blocks for `owner`; answers the block count.
    int32_t Walk(uint32_t first, Owner owner, uint32_t* count)
    {
        uint32_t previous = 0;
        for (uint32_t b = first; b != 0; b = blocks_[previous].head.next) {
            if (b >= header_.blockCount)
                return Fail(kDbAuxAccessFailed, Describe(previous, "links past the file"));
            Block& block = blocks_[b];
            if (block.owner != kUnclaimed)
                return Fail(kDbAuxAccessFailed, Describe(b, "reached twice"));
            if ((owner == kFree) != (block.head.used == 0))
                return Fail(kDbAuxAccessFailed, Describe(b, owner == kFree ? "in the free chain but used"
                                                                             : "in a value but unused"));
            if (block.head.previous != previous)
                return Fail(kDbAuxAccessFailed, Describe(b, "previous-block word disagrees"));
            if (!block.cleanTail)
                return Fail(kDbAuxAccessFailed, Describe(b, "bytes past the used count are not zero"));
            block.owner = owner;
            report_.bytes += owner == kData ? block.head.used : 0;
            ++*count;
            previous = b;
        }
        return kDbOk;
    }

    int32_t WalkFree()
    {
        uint32_t count = 0;
        const int32_t code = Walk(header_.firstFree, kFree, &count);
        if (code == kDbOk && count != header_.freeCount)
            return Fail(kDbAuxAccessFailed, "free count disagrees with the free chain");
        report_.freeBlocks = count;
        return code;
    }

    int32_t WalkValue(uint32_t first)
    {
        uint32_t count = 0;
        ++report_.values;
        return Walk(first, kData, &count);
    }

    DbFileIo& io_;
    AuxCheckReport& report_;
    AuxHeader header_;
    std::vector<Block> blocks_;
};

}  // namespace

int32_t CheckAuxFile(DbFileIo& io, AuxCheckReport* report)
{
    *report = AuxCheckReport();
    return AuxChecker(io, report).Run();
}
