#pragma once
// A Paradox table or index file read into memory: header, block chain and raw
// records, with field decoding. The file is read once at load; the object does
// not hold the file open, so a later replacement of the file does not affect it.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "TableHeader.h"
#include "TextCodec.h"
#include "Value.h"

namespace ter5::engine {

class BlobFile;

class TableFile {
public:
    // One data block of the chain, in chain order.
    struct Block {
        std::uint16_t number = 0;       // 1-based physical block number
        std::uint32_t firstRecord = 0;  // index of its first record in chain order
        std::uint16_t count = 0;        // records in the block
        std::size_t offset = 0;         // file offset of its first record
    };

    // Reads and checks `path`. `codePage` 0 means the program's default text page
    // for the header's code page; anything else overrides it. A password-protected
    // file is decrypted with the key its header holds (Bytes() are then plain).
    // Corrupt files, and protected ones with plain blocks, throw EngineError naming
    // the file.
    static std::shared_ptr<TableFile> Load(const std::filesystem::path& path, int codePage = 0);

    // Parses an in-memory image (fuzzing, tests). `name` stands for the file in errors.
    static std::shared_ptr<TableFile> FromBytes(std::vector<std::uint8_t> bytes, const std::string& name,
                                                int codePage = 0);

    // Parses the image a write is about to store at `path`: Path() is `path`, so
    // index files are named and found beside it (blobs are read from disk).
    static std::shared_ptr<TableFile> FromImage(std::vector<std::uint8_t> bytes, const std::filesystem::path& path,
                                                int codePage = 0);

    const std::filesystem::path& Path() const { return path_; }
    const std::string& Name() const { return name_; }
    const TableHeader& Header() const { return header_; }
    // Fields with names decoded to UTF-8.
    const std::vector<FieldDesc>& Fields() const { return fields_; }
    const TextCodec& Codec() const { return codec_; }
    const std::vector<Block>& Blocks() const { return blocks_; }
    std::size_t RecordCount() const { return recordCount_; }
    // Problems that do not stop reading (header count differs from the blocks,
    // a block cut short by the end of the file …), one line each.
    const std::vector<std::string>& Notes() const { return notes_; }

    // The whole file as read.
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    // Raw bytes of record `i` (chain order), Header().recordSize of them.
    const std::uint8_t* Record(std::size_t i) const;
    // Index of the block holding record `i`.
    std::size_t BlockOfRecord(std::size_t i) const;

    // Field index by name ignoring case, -1 when absent.
    int FieldIndex(std::string_view name) const;
    // Field index by name ignoring case; EngineError naming the table when absent.
    int RequireField(std::string_view name) const;

    // Decodes field `field` of record `i`. Blob fields are read from the .MB file.
    Value Get(std::size_t i, std::size_t field) const;
    // Decodes a field from a raw record (e.g. one not yet written).
    Value Decode(const std::uint8_t* record, std::size_t field) const;

private:
    TableFile() = default;
    void Parse(int codePage);
    const BlobFile* Blobs() const;

    std::filesystem::path path_;
    std::string name_;
    std::vector<std::uint8_t> bytes_;
    TableHeader header_;
    std::vector<FieldDesc> fields_;
    TextCodec codec_{1251};
    std::vector<Block> blocks_;
    std::size_t recordCount_ = 0;
    std::vector<std::string> notes_;
    mutable std::shared_ptr<BlobFile> blobs_;
    mutable bool blobsLoaded_ = false;
};

}  // namespace ter5::engine
