// Access scopes and the node cache of an index file.
//
// An index file is read and written in fixed-size nodes (node n at n * node size) behind a
// 224-byte header that starts with "KBNX" and version 0x00010000 and holds the node count, the
// number of free nodes and the first free node at offsets 24, 28 and 32. Every index operation
// runs inside an access scope; scopes nest. The outermost scope holds the whole index file
// locked, reads the header once and keeps up to 18 nodes cached, so that one operation's
// repeated visits to the same nodes cost no file access.
#pragma once

#include "runtime/database/db_file_io.h"
#include "runtime/database/db_result.h"

#include <cstdint>
#include <deque>
#include <vector>

constexpr uint32_t kIndexHeaderSize = 224;
constexpr uint32_t kIndexVersion = 0x00010000;
constexpr size_t kIndexCacheNodes = 18;
constexpr size_t kIndexCacheDrop = 3;  // nodes dropped at once when the cache is full

class IndexAccessScope {
public:
    // `io` is not owned; the node size comes from the index's description.
    IndexAccessScope(DbFileIo* io, uint32_t nodeSize) : io_(io), nodeSize_(nodeSize) {}

    // Opens a scope: the outermost one locks the whole file and reads the header (-52 when it
    // is short, -31 when it is not an index file).
    int32_t Begin();
    // Closes a scope: writes the header back when it changed; the outermost one also writes
    // back every changed node, empties the cache and unlocks the file. When a write fails the
    // header or node stays changed and the answer is the failure; an outermost scope then keeps
    // the file locked and its cache, and the next End (or the next scope's end) tries again.
    int32_t End();

    // Node n into `out` (node size bytes), from the cache when it is there.
    int32_t ReadNode(uint32_t n, uint8_t* out);
    // Node n from `in`; it reaches the file when it leaves the cache or the outermost scope ends.
    // When a node leaving the cache cannot be written back it stays cached and changed, and the
    // read or write that needed the room fails without caching its own node.
    int32_t WriteNode(uint32_t n, const uint8_t* in);

    // The header as read at the outermost Begin; changes are written back by End.
    uint8_t* header() { return header_; }
    uint32_t NodeCount() const;
    uint32_t FreeNodes() const;
    uint32_t FirstFreeNode() const;
    void SetHeaderWords(uint32_t nodeCount, uint32_t freeNodes, uint32_t firstFree);

    int nesting() const { return nesting_; }
    size_t cachedNodes() const { return cache_.size(); }

private:
    struct CachedNode {
        uint32_t number;
        std::vector<uint8_t> bytes;
        bool dirty;
    };

    int32_t Code(int cause) const;
    int32_t NodeOffset(uint32_t n, uint32_t* offset) const;
    CachedNode* Find(uint32_t n);
    int32_t MakeRoom();
    int32_t WriteBack(const CachedNode& node);
    int32_t Add(uint32_t n, const uint8_t* bytes, bool dirty);
    uint32_t HeaderWord(size_t offset) const;

    DbFileIo* io_;
    uint32_t nodeSize_;
    int nesting_ = 0;
    bool locked_ = false;  // the whole file, from the outermost Begin to an end that wrote all
    uint8_t header_[kIndexHeaderSize] = {};
    uint8_t headerCopy_[kIndexHeaderSize] = {};
    std::deque<CachedNode> cache_;  // in the order the nodes entered
};

// Begins a scope and ends it when it goes out of scope, so that no return path leaves the index
// file locked. End() ends it earlier and answers the result.
class IndexScopeGuard {
public:
    explicit IndexScopeGuard(IndexAccessScope& scope) : scope_(scope), begun_(scope.Begin()) {}
    ~IndexScopeGuard()
    {
        if (begun_ == kDbOk && !ended_)
            scope_.End();
    }
    IndexScopeGuard(const IndexScopeGuard&) = delete;
    IndexScopeGuard& operator=(const IndexScopeGuard&) = delete;

    // The result of Begin; nothing is ended when it failed.
    int32_t begun() const { return begun_; }
    int32_t End()
    {
        if (begun_ != kDbOk || ended_)
            return begun_ != kDbOk ? begun_ : kDbIndexAccessFailed;
        ended_ = true;
        return scope_.End();
    }

private:
    IndexAccessScope& scope_;
    int32_t begun_;
    bool ended_ = false;
};
