#pragma once
// The .MB file holding a table's blob data: reading type-2 (one blob) and type-3
// (up to 64 small blobs) blocks, and writing a fresh file of type-2 blocks. The
// .MB of a password-protected table is encrypted as a whole with its table's key
// (BlockCipher); images in memory are plain, the functions below convert.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ter5::engine {

class BlobFile {
public:
    // Reads a whole .MB file of a table whose header holds `protection` (0: none),
    // decrypting it when it is stored encrypted. Throws EngineError when it is not
    // a blob file.
    static BlobFile Load(const std::filesystem::path& path, std::uint32_t protection = 0);
    // Wraps an image as stored (decrypted as Load does).
    static BlobFile FromBytes(std::vector<std::uint8_t> bytes, std::string name, std::uint32_t protection = 0);

    // True when the file is stored encrypted.
    bool Encrypted() const { return encrypted_; }
    // Problems of a protected table's .MB: stored plain as a whole, or blocks stored
    // otherwise than its header block (a mix of encrypted and plain blocks).
    std::vector<std::string> ProtectionProblems() const;

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
    // True when the block at `start` reads as a blob block only as stored otherwise.
    bool StoredOtherwise(std::size_t start) const;

    std::string name_;
    std::vector<std::uint8_t> bytes_;
    std::uint32_t protection_ = 0;
    bool encrypted_ = false;
};

// Decrypts in place the .MB image of a table protected with `protection` and
// returns true; returns false and leaves the image as it is when its header block
// is stored plain (written by a program that left it so) or `protection` is 0.
bool DecryptBlobImage(std::vector<std::uint8_t>& image, std::uint32_t protection);
// Encrypts a plain .MB image in place, the whole file, as the table's own engine stores it.
void EncryptBlobImage(std::vector<std::uint8_t>& image, std::uint32_t protection);

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
