#include "IndexReader.h"

#include <cstring>

#include "BoundedRead.h"
#include "ByteIo.h"
#include "EngineError.h"
#include "FileProtection.h"
#include "FileUtil.h"

namespace ter5::engine {
namespace {

using namespace format;

class TreeParser {
public:
    TreeParser(const std::vector<std::uint8_t>& bytes, const std::string& name, IndexTree& tree)
        : bytes_(bytes), name_(name), tree_(tree) {}

    void Parse() {
        const TableHeader& h = tree_.header;
        entrySize_ = h.recordSize;
        tree_.keySize = entrySize_ - kIndexEntryTail;
        blockSize_ = h.BlockSize();
        perBlock_ = (blockSize_ - kBlockHeaderSize) / entrySize_;
        if (h.indexLevels == 0) return;  // an empty index
        visited_.assign(static_cast<std::size_t>(h.fileBlocks) + 1, false);
        std::vector<std::uint16_t> current{CheckNumber(h.indexRoot, "the root")};
        for (int level = h.indexLevels; level >= 1; --level) {
            std::vector<TreeBlock> blocks;
            std::vector<std::uint16_t> next;
            for (std::uint16_t number : current) {
                TreeBlock block = ReadBlock(number);
                if (level > 1)
                    for (const auto& e : block.entries)
                        next.push_back(CheckNumber(e.child, "an entry of block " + std::to_string(number)));
                blocks.push_back(std::move(block));
            }
            tree_.levels.push_back(std::move(blocks));
            current = std::move(next);
        }
    }

private:
    // Checks a block number named by `who` and marks it reached.
    std::uint16_t CheckNumber(std::uint16_t number, const std::string& who) {
        if (number == 0 || number > tree_.header.fileBlocks)
            Fail(name_, "corrupt index: " + who + " names block " + std::to_string(number) + " of " +
                            std::to_string(tree_.header.fileBlocks));
        if (visited_[number]) Fail(name_, "corrupt index: block " + std::to_string(number) + " is reached twice");
        visited_[number] = true;
        return number;
    }

    TreeBlock ReadBlock(std::uint16_t number) {
        const std::size_t offset = tree_.header.headerSize + (static_cast<std::size_t>(number) - 1) * blockSize_;
        if (offset + kBlockHeaderSize > bytes_.size())
            Fail(name_, "truncated file: index block " + std::to_string(number) + " lies beyond the end of the file");
        if (StoredPlain(bytes_, tree_.header, number)) FailMixedBlocks(name_, number);
        const std::uint8_t* p = bytes_.data() + offset;
        const int addDataSize = ReadS16(p + kBlockAddDataSize);
        if (addDataSize < 0)
            Fail(name_, "corrupt index: block " + std::to_string(number) + " inside the tree is empty");
        if (addDataSize % static_cast<int>(entrySize_) != 0)
            Fail(name_, "corrupt index: block " + std::to_string(number) + " has entry area size " + std::to_string(addDataSize));
        const std::size_t count = static_cast<std::size_t>(addDataSize) / entrySize_ + 1;
        if (count > perBlock_)
            Fail(name_, "corrupt index: block " + std::to_string(number) + " claims " + std::to_string(count) + " entries");
        if (offset + kBlockHeaderSize + count * entrySize_ > bytes_.size())
            Fail(name_, "truncated file: index block " + std::to_string(number) + " is cut short");
        TreeBlock block;
        block.number = number;
        const std::uint8_t* e = p + kBlockHeaderSize;
        for (std::size_t i = 0; i < count; ++i, e += entrySize_) {
            const std::uint8_t* tail = e + tree_.keySize;
            block.entries.push_back({std::string(reinterpret_cast<const char*>(e), tree_.keySize),
                                     ReadFlippedU16(tail + kEntryChild), ReadFlippedU16(tail + kEntryCount)});
            block.reserved.push_back(ReadFlippedU16(tail + kEntryReserved));
        }
        return block;
    }

    const std::vector<std::uint8_t>& bytes_;
    const std::string& name_;
    IndexTree& tree_;
    std::size_t entrySize_ = 0;
    std::size_t blockSize_ = 0;
    std::size_t perBlock_ = 0;
    std::vector<bool> visited_;
};

}  // namespace

std::vector<TreeEntry> IndexTree::Leaves() const {
    std::vector<TreeEntry> leaves;
    if (!levels.empty())
        for (const auto& block : levels.back()) leaves.insert(leaves.end(), block.entries.begin(), block.entries.end());
    return leaves;
}

std::size_t IndexTree::EntryCount() const {
    std::size_t n = 0;
    for (const auto& level : levels)
        for (const auto& block : level) n += block.entries.size();
    return n;
}

IndexTree ReadIndexTree(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    IndexTree tree;
    tree.name = name;
    tree.header = ParseHeader(bytes.data(), bytes.size(), name);
    if (!tree.header.IsTreeFile())
        Fail(name, "not a B-tree index file (file kind " + std::to_string(static_cast<int>(tree.header.fileType)) + ")");
    if (tree.header.IsEncrypted()) {
        // An index file of a password-protected table; its own header holds the key.
        std::vector<std::uint8_t> plain = bytes;
        DecryptBlocks(plain, tree.header);
        TreeParser(plain, name, tree).Parse();
        return tree;
    }
    TreeParser(bytes, name, tree).Parse();
    return tree;
}

IndexTree LoadIndexTree(const std::filesystem::path& path) {
    std::string excess;  // bytes past the tree's blocks belong to no block
    return ReadIndexTree(ReadWithinHeader(path, excess), PathToUtf8(path));
}

RecordBuffer ReadIndexRecords(const TableFile& x) {
    if (!x.Header().IsSecondaryIndex()) Fail(x.Name(), "not a secondary index file");
    RecordBuffer out{x.Header().recordSize, {}};
    out.bytes.resize(x.RecordCount() * out.recordSize);
    for (std::size_t i = 0; i < x.RecordCount(); ++i) std::memcpy(out.bytes.data() + i * out.recordSize, x.Record(i), out.recordSize);
    return out;
}

}  // namespace ter5::engine
