// Index access scopes and node cache; see index_access.h.
#include "runtime/database/index_access.h"

#include "runtime/core/byte_reader.h"
#include "runtime/core/byte_writer.h"
#include "runtime/database/db_lock.h"
#include "runtime/database/db_result.h"

#include <cstring>

namespace {

const char kMagic[4] = {'K', 'B', 'N', 'X'};
constexpr size_t kNodeCountOffset = 24;

}  // namespace

int32_t IndexAccessScope::Code(int cause) const
{
    return cause == kFileEndOfFile ? kDbIndexAccessFailed : DbCodeFromFileError(cause);
}

int32_t IndexAccessScope::Begin()
{
    if (!io_ || nodeSize_ == 0)
        return kDbIndexAccessFailed;
    if (nesting_ > 0) {
        ++nesting_;
        return kDbOk;
    }
    // An end that could not write everything back kept the file locked and the changes cached:
    // nobody else can have changed the file, so the new scope goes on with them.
    if (locked_) {
        nesting_ = 1;
        return kDbOk;
    }
    int32_t code = PlatformLock(*io_, kWholeDatabase, true);
    if (code != kDbOk)
        return code;
    code = Code(ReadAt(*io_, 0, header_, kIndexHeaderSize));
    ByteReader reader(header_, kIndexHeaderSize);
    const uint8_t* magic = reader.view(sizeof kMagic);
    if (code == kDbOk && (std::memcmp(magic, kMagic, sizeof kMagic) != 0 || reader.u32() != kIndexVersion))
        code = kDbNotIndexFile;
    if (code != kDbOk) {
        PlatformLock(*io_, kWholeDatabase, false);
        return code;
    }
    std::memcpy(headerCopy_, header_, kIndexHeaderSize);
    locked_ = true;
    nesting_ = 1;
    return kDbOk;
}

int32_t IndexAccessScope::End()
{
    if (nesting_ == 0 && !locked_)
        return kDbIndexAccessFailed;
    int32_t code = kDbOk;
    // A header or node whose write fails stays changed, for the next end to write.
    if (std::memcmp(header_, headerCopy_, kIndexHeaderSize) != 0) {
        code = Code(WriteAt(*io_, 0, header_, kIndexHeaderSize));
        if (code == kDbOk)
            std::memcpy(headerCopy_, header_, kIndexHeaderSize);
    }
    if (nesting_ <= 1) {
        for (CachedNode& node : cache_) {
            const int32_t written = node.dirty ? WriteBack(node) : kDbOk;
            node.dirty = node.dirty && written != kDbOk;
            code = code != kDbOk ? code : written;
        }
        if (code == kDbOk) {
            // Another process may change the file once it is unlocked: nothing cached survives.
            cache_.clear();
            code = PlatformLock(*io_, kWholeDatabase, false);
            locked_ = false;
        }
    }
    if (nesting_ > 0)
        --nesting_;
    return code;
}

int32_t IndexAccessScope::NodeOffset(uint32_t n, uint32_t* offset) const
{
    const uint64_t end = (uint64_t{n} + 1) * nodeSize_;
    if (end > kMaxFileOffset)
        return kDbIndexAccessFailed;
    *offset = n * nodeSize_;
    return kDbOk;
}

IndexAccessScope::CachedNode* IndexAccessScope::Find(uint32_t n)
{
    for (CachedNode& node : cache_) {
        if (node.number == n)
            return &node;
    }
    return nullptr;
}

int32_t IndexAccessScope::WriteBack(const CachedNode& node)
{
    uint32_t offset = 0;
    const int32_t code = NodeOffset(node.number, &offset);
    return code != kDbOk ? code : Code(WriteAt(*io_, offset, node.bytes.data(), nodeSize_));
}

int32_t IndexAccessScope::MakeRoom()
{
    if (cache_.size() < kIndexCacheNodes)
        return kDbOk;
    // The oldest nodes leave; one whose write-back fails stays, still changed.
    int32_t code = kDbOk;
    size_t kept = 0;
    for (size_t i = 0; i < kIndexCacheDrop; ++i) {
        const CachedNode& node = cache_[kept];
        const int32_t written = node.dirty ? WriteBack(node) : kDbOk;
        if (written == kDbOk) {
            cache_.erase(cache_.begin() + static_cast<std::ptrdiff_t>(kept));
        } else {
            ++kept;
            code = code != kDbOk ? code : written;
        }
    }
    return code;
}

int32_t IndexAccessScope::Add(uint32_t n, const uint8_t* bytes, bool dirty)
{
    const int32_t code = MakeRoom();
    if (code != kDbOk)
        return code;
    cache_.push_back({n, std::vector<uint8_t>(bytes, bytes + nodeSize_), dirty});
    return kDbOk;
}

int32_t IndexAccessScope::ReadNode(uint32_t n, uint8_t* out)
{
    if (nesting_ == 0)
        return kDbIndexAccessFailed;
    if (const CachedNode* node = Find(n)) {
        std::memcpy(out, node->bytes.data(), nodeSize_);
        return kDbOk;
    }
    uint32_t offset = 0;
    int32_t code = NodeOffset(n, &offset);
    if (code == kDbOk)
        code = Code(ReadAt(*io_, offset, out, nodeSize_));
    return code != kDbOk ? code : Add(n, out, false);
}

int32_t IndexAccessScope::WriteNode(uint32_t n, const uint8_t* in)
{
    uint32_t offset = 0;
    if (nesting_ == 0 || NodeOffset(n, &offset) != kDbOk)
        return kDbIndexAccessFailed;
    if (CachedNode* node = Find(n)) {
        std::memcpy(node->bytes.data(), in, nodeSize_);
        node->dirty = true;
        return kDbOk;
    }
    return Add(n, in, true);
}

uint32_t IndexAccessScope::HeaderWord(size_t offset) const
{
    ByteReader reader(header_, kIndexHeaderSize);
    reader.seek(offset);
    return reader.u32();
}

uint32_t IndexAccessScope::NodeCount() const { return HeaderWord(kNodeCountOffset); }
uint32_t IndexAccessScope::FreeNodes() const { return HeaderWord(kNodeCountOffset + 4); }
uint32_t IndexAccessScope::FirstFreeNode() const { return HeaderWord(kNodeCountOffset + 8); }

void IndexAccessScope::SetHeaderWords(uint32_t nodeCount, uint32_t freeNodes, uint32_t firstFree)
{
    ByteWriter words;
    words.u32(nodeCount);
    words.u32(freeNodes);
    words.u32(firstFree);
    std::memcpy(header_ + kNodeCountOffset, words.data(), words.size());
}
