#include "FileProtection.h"

#include <algorithm>
#include <cstring>

#include "BlockCipher.h"
#include "ByteIo.h"
#include "EngineError.h"

namespace ter5::engine {
namespace {

using namespace format;

// Blocks the image holds at least in part, or the header counts, whichever is more.
std::size_t BlocksInImage(const std::vector<std::uint8_t>& image, const TableHeader& h) {
    const std::size_t data = image.size() > h.headerSize ? image.size() - h.headerSize : 0;
    const std::size_t stored = (data + h.BlockSize() - 1) / h.BlockSize();
    return std::max<std::size_t>(stored, h.fileBlocks);
}

// Decrypts or encrypts every block of the image with `h`'s word: the whole blocks
// at once, then what there is of a last block cut short.
template <typename Run, typename One>
void EachBlock(std::vector<std::uint8_t>& image, const TableHeader& h, Run run, One one) {
    if (!h.IsEncrypted() || image.size() <= h.headerSize) return;
    const BlockCipher cipher(h.encryption);
    const std::size_t blockSize = h.BlockSize();
    const std::size_t whole = (image.size() - h.headerSize) / blockSize;
    std::uint8_t* first = image.data() + h.headerSize;
    (cipher.*run)(first, blockSize, whole, 1);
    if (const std::size_t rest = (image.size() - h.headerSize) % blockSize)
        (cipher.*one)(first + whole * blockSize, rest, static_cast<std::uint32_t>(whole + 1));
}

// True when the first bytes at `p` make a data block of a file with header `h`
// and `blocks` blocks: neighbours inside the file, a record area size that fits.
bool LooksLikeBlock(const std::uint8_t* p, const TableHeader& h, std::size_t blocks) {
    if (ReadU16(p + kBlockNext) > blocks || ReadU16(p + kBlockPrev) > blocks) return false;
    const int recordSize = h.recordSize;
    const int addDataSize = ReadS16(p + kBlockAddDataSize);
    if (addDataSize < -recordSize || (addDataSize >= 0 && addDataSize % recordSize != 0)) return false;
    const std::size_t count = addDataSize < 0 ? 0 : static_cast<std::size_t>(addDataSize / recordSize) + 1;
    return count <= (h.BlockSize() - kBlockHeaderSize) / h.recordSize;
}

}  // namespace

void SetProtection(std::vector<std::uint8_t>& image, TableHeader& h, std::uint32_t protection) {
    const std::size_t end = h.hasExtension ? kEncryption2 + 4 : kEncryption1 + 4;
    if (image.size() < end) throw EngineError("header too short to hold its protection");
    if (h.hasExtension) {
        WriteU32(image.data() + kEncryption1, kEncryptionSeeExtension);
        WriteU32(image.data() + kEncryption2, protection);
    } else {
        WriteU32(image.data() + kEncryption1, protection);
    }
    h.encryption = protection;
}

void DecryptBlocks(std::vector<std::uint8_t>& image, const TableHeader& h) {
    EachBlock(image, h, &BlockCipher::DecryptBlocks, &BlockCipher::DecryptBlock);
}

void EncryptBlocks(std::vector<std::uint8_t>& image, const TableHeader& h) {
    EachBlock(image, h, &BlockCipher::EncryptBlocks, &BlockCipher::EncryptBlock);
}

bool StoredPlain(const std::vector<std::uint8_t>& image, const TableHeader& h, std::uint16_t number) {
    if (!h.IsEncrypted() || number == 0) return false;
    const std::size_t at = h.headerSize + (static_cast<std::size_t>(number) - 1) * h.BlockSize();
    if (at + kCipherChunk > image.size()) return false;
    const std::size_t blocks = BlocksInImage(image, h);
    if (LooksLikeBlock(image.data() + at, h, blocks)) return false;
    std::uint8_t stored[kCipherChunk];
    std::memcpy(stored, image.data() + at, kCipherChunk);
    BlockCipher(h.encryption).EncryptBlock(stored, kCipherChunk, number);
    return LooksLikeBlock(stored, h, blocks);
}

void FailMixedBlocks(const std::string& file, std::uint16_t number) {
    Fail(file, "block " + std::to_string(number) +
                   " is stored plain in a password-protected file: the file mixes encrypted and plain blocks");
}

void ProtectImage(std::vector<std::uint8_t>& image, std::uint32_t protection) {
    TableHeader h = ParseHeader(image.data(), image.size(), "image");
    if (h.IsEncrypted()) throw EngineError("the file is protected already");
    SetProtection(image, h, protection);
    EncryptBlocks(image, h);
}

}  // namespace ter5::engine
