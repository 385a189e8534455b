#pragma once
// Finds the bytes of record i (chain order) of a loaded table in constant time.
//
// Tables written by this engine, and most others, keep full blocks numbered in
// chain order; their records then lie at a computed place, and no table of
// pointers is needed (which saves memory and, when records are visited in index
// order, a cache miss per visit). Any other chain gets one pointer per record.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "TableFile.h"

namespace ter5::engine {

class RecordLocator {
public:
    RecordLocator() = default;

    // Locates the records of `file`, which must outlive the locator.
    explicit RecordLocator(const TableFile& file) {
        const auto& blocks = file.Blocks();
        const std::size_t recordSize = file.Header().recordSize;
        const std::size_t blockSize = file.Header().BlockSize();
        count_ = file.RecordCount();
        if (count_ == 0) return;
        perBlock_ = blocks[0].count;
        bool regular = true;
        for (std::size_t b = 0; b < blocks.size() && regular; ++b)
            regular = blocks[b].offset == blocks[0].offset + b * blockSize &&
                      (blocks[b].count == perBlock_ || (b + 1 == blocks.size() && blocks[b].count <= perBlock_));
        first_ = file.Record(0);
        if (regular) {
            recordSize_ = recordSize;
            blockSize_ = blockSize;
            return;
        }
        pointers_.reserve(count_);
        for (const TableFile::Block& b : blocks) {
            const std::uint8_t* p = file.Record(b.firstRecord);
            for (std::size_t k = 0; k < b.count; ++k) pointers_.push_back(p + k * recordSize);
        }
    }

    std::size_t Count() const { return count_; }

    // Calls visit(i, bytes) for every record in order, without per-record arithmetic.
    template <typename Visit>
    void ForEach(const Visit& visit) const {
        if (!pointers_.empty()) {
            for (std::size_t i = 0; i < count_; ++i) visit(i, pointers_[i]);
            return;
        }
        for (std::size_t i = 0; i < count_;) {
            const std::uint8_t* p = first_ + (i / perBlock_) * blockSize_;
            for (std::size_t k = 0; k < perBlock_ && i < count_; ++k, ++i, p += recordSize_) visit(i, p);
        }
    }

    // The bytes of record `i` < Count().
    const std::uint8_t* operator()(std::size_t i) const {
        if (!pointers_.empty()) return pointers_[i];
        return first_ + (i / perBlock_) * blockSize_ + (i % perBlock_) * recordSize_;
    }

private:
    std::size_t count_ = 0;
    const std::uint8_t* first_ = nullptr;
    std::size_t perBlock_ = 1;
    std::size_t recordSize_ = 0;
    std::size_t blockSize_ = 0;
    std::vector<const std::uint8_t*> pointers_;  // irregular chains only
};

}  // namespace ter5::engine
