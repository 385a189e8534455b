#pragma once
// The .MB file holding a table's blob data: reading type-2 (one blob) and type-3
// (up to 64 small blobs) blocks, and writing a fresh file of type-2 blocks.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ter5::engine {

class BlobFile {
public:
    // Reads a whole .MB file. Throws EngineError when it is not one.
    static BlobFile Load(const std::filesystem::path& path);
    // Wraps an in-memory image.
    static BlobFile FromBytes(std::vector<std::uint8_t> bytes, std::string name);

    // The blob a record refers to: `offset` with its low byte cleared, `index`
    // 0xFF for a type-2 block or a slot of a type-3 block, `length` from the record.
    // Throws EngineError naming the file for references that do not resolve.
    std::string Read(std::uint32_t offset, std::uint8_t index, std::uint32_t length) const;

    // What is wrong with a record's reference to a blob, "" when nothing is: the
    // block must lie inside the file on a 4 KB chunk, be of the kind the slot names
    // (0xFF: a single-blob block; else a used slot of a small-blob block), and hold
    // the length and modification number the record names.
    std::string Check(std::uint32_t offset, std::uint8_t index, std::uint32_t length, std::uint16_t modNumber) const;

    // Graphic and OLE blobs start with an 8-byte prefix before the picture data.
    static std::string StripPicturePrefix(const std::string& data);
    static std::string AddPicturePrefix(const std::string& data);

private:
    std::string name_;
    std::vector<std::uint8_t> bytes_;
};

// Builds a new .MB file: Add() appends a blob as its own type-2 block and returns
// the offset to store in the record; Bytes() gives the finished file.
class BlobWriter {
public:
    BlobWriter();
    // Continues an existing .MB image: new blobs go after its last block.
    explicit BlobWriter(std::vector<std::uint8_t> existing);
    std::uint32_t Add(const std::string& data);
    bool Empty() const { return blocks_ == 0; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t> Release() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
    int blocks_ = 0;
};

}  // namespace ter5::engine
