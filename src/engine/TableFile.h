#pragma once
// A Paradox table or index file: header, block chain and raw records, with field
// decoding. Load reads the file once, whole; the object does not hold the file
// open, so a later replacement of the file does not affect it. Open reads the
// header and the block chain only and holds the file open, reading a record's
// block when the record is asked for: a table of any size then costs the memory
// of its header, its block list and one block (a replacement by rename does not
// affect it either: the open file is the one that was read).

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
class RandomAccessFile;

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

    // Like Load, but streamed as said above: the block chain is checked at once
    // (the same errors as Load), the records are read a block at a time later. A
    // password-protected table is read whole and decrypted, as Load reads it. Not
    // thread-safe.
    static std::shared_ptr<TableFile> Open(const std::filesystem::path& path, int codePage = 0);

    // Parses an in-memory image (fuzzing, tests). `name` stands for the file in errors.
    static std::shared_ptr<TableFile> FromBytes(std::vector<std::uint8_t> bytes, const std::string& name,
                                                int codePage = 0);

    // Parses the image a write is about to store at `path`: Path() is `path`, so
    // index files are named and found beside it (blobs are read from disk).
    static std::shared_ptr<TableFile> FromImage(std::vector<std::uint8_t> bytes, const std::filesystem::path& path,
                                                int codePage = 0);

    ~TableFile();

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

    // The whole file as read; its header alone for a table streamed by Open.
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    // True for a table read by Open.
    bool Streamed() const { return file_ != nullptr; }
    // Raw bytes of record `i` (chain order), Header().recordSize of them. For a
    // streamed table they stay valid until the next call of Record or Get, and
    // EngineError reports a block that another program changed since Open read
    // the chain, or a read error.
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
    // An empty table object for the existing file `path` (found ignoring case), or
    // EngineError "table does not exist".
    static std::shared_ptr<TableFile> Named(const std::filesystem::path& path);
    void Parse(int codePage);
    // The header bytes of the data block at file offset `offset` into `out`; false
    // when they lie beyond the end of the file.
    bool ReadBlockHeader(std::size_t offset, std::uint8_t* out) const;
    // Reads block `b` of a streamed table into the block cache.
    void LoadBlock(std::size_t b) const;
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
    std::size_t fileSize_ = 0;
    // A streamed table: the open file, the block in the cache and its bytes.
    std::unique_ptr<RandomAccessFile> file_;
    mutable std::size_t cachedBlock_ = static_cast<std::size_t>(-1);
    mutable std::vector<std::uint8_t> blockBytes_;
    std::vector<std::uint16_t> blockNext_;  // per block: the next block its header named
    mutable std::shared_ptr<BlobFile> blobs_;
    mutable bool blobsLoaded_ = false;
};

}  // namespace ter5::engine
