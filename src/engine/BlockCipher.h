#pragma once
// The cipher of password-protected Paradox files. A protected table keeps a 32-bit
// protection word in its header (TableHeader::encryption); its low 16 bits key a
// byte-shuffling cipher over 256-byte chunks:
//   - data blocks of .DB files, and of index files (.PX, .Xnn/.Ynn, .XGn/.YGn)
//     whose own header carries the word: chunk k of block n is scrambled with k
//     and the low byte of n, so equal blocks look different on disk;
//   - .MB files, whole, from offset 0: every chunk the same way.
// The password itself is not needed: the key is in the header. This hides data
// from a text viewer, nothing more. doc/paradox-tables.md has the scheme and its
// sources; FileProtection.h applies it to whole files.

#include <array>
#include <cstddef>
#include <cstdint>

namespace ter5::engine {

// Bytes of one cipher chunk; protected blocks and .MB files are counted in them.
inline constexpr std::size_t kCipherChunk = 256;

class BlockCipher {
public:
    // The cipher of files whose header holds `protection` (not 0).
    explicit BlockCipher(std::uint32_t protection);

    // Data block `number` (1-based, as headers count blocks) of a .DB or index file,
    // `size` bytes from the block's start, in place. A tail shorter than a chunk
    // (a file cut short) is left as it is.
    void DecryptBlock(std::uint8_t* block, std::size_t size, std::uint32_t number) const;
    void EncryptBlock(std::uint8_t* block, std::size_t size, std::uint32_t number) const;
    // `count` whole blocks of `blockSize` bytes from `first` on, the first of them
    // block `firstNumber`: as DecryptBlock (EncryptBlock) on each, a file at a time.
    void DecryptBlocks(std::uint8_t* first, std::size_t blockSize, std::size_t count, std::uint32_t firstNumber) const;
    void EncryptBlocks(std::uint8_t* first, std::size_t blockSize, std::size_t count, std::uint32_t firstNumber) const;

    // Bytes of a .MB file starting at a chunk boundary of the file, in place; a
    // tail shorter than a chunk is left as it is.
    void DecryptBlob(std::uint8_t* data, std::size_t size) const;
    void EncryptBlob(std::uint8_t* data, std::size_t size) const;

private:
    using Row = std::array<std::uint8_t, kCipherChunk>;
    // Chunk transforms: stored byte q = place[p] holds plain byte p XOR mask[p].
    using Transform = void (*)(std::uint8_t* chunk, const Row& place, const Row& mask);
    static void Decrypt(std::uint8_t* chunk, const Row& place, const Row& mask);
    static void Encrypt(std::uint8_t* chunk, const Row& place, const Row& mask);
    void EachBlockChunk(std::uint8_t* block, std::size_t size, std::uint32_t number, Transform op) const;
    void EachRunChunk(std::uint8_t* first, std::size_t blockSize, std::size_t count, std::uint32_t firstNumber,
                      Transform op) const;
    void EachBlobChunk(std::uint8_t* data, std::size_t size, Transform op) const;
    // Place and the key part of the mask for blocks whose number's low byte is `d`.
    void BlockRows(std::uint8_t d, Row& place, Row& keyMask) const;

    std::uint8_t keyLow_;
    std::uint8_t keyHigh_;
    Row blobPlace_{};
    Row blobMask_{};
};

}  // namespace ter5::engine
