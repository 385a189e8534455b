#pragma once
// Password protection of whole table and index files (BlockCipher does the chunks).
// As the table's own engine stores a protected table:
//   - .DB: the header stays plain and holds the protection word; every data block
//     is encrypted with it;
//   - .PX, .Xnn/.Ynn, .XGn/.YGn: each says for itself: blocks encrypted when its own
//     header holds a word, plain when it holds 0 (the engine writes both);
//   - .MB: no word of its own; the whole file is encrypted with its table's
//     (BlobFile.h, DecryptBlobImage).
// Readers decrypt an image once, right after reading it; writers encrypt it right
// before it is staged. The functions work on images in memory, block by block, so
// a repair of a damaged file can use them as well. doc/paradox-tables.md.

#include <cstdint>
#include <string>
#include <vector>

#include "TableHeader.h"

namespace ter5::engine {

// Writes `protection` into the header bytes `image` where a file of `h`'s kind and
// version keeps it (0x5C, with 0xFF00FF00 at 0x25, in 4.x+ .DB and .X headers;
// 0x25 in 3.x headers and tree files) and into h.encryption. 0 makes it plain.
void SetProtection(std::vector<std::uint8_t>& image, TableHeader& h, std::uint32_t protection);

// Decrypts (encrypts) in place every data block of the .DB or index image whose
// header is `h`, as far as the image reaches in whole 256-byte chunks. Nothing
// happens when `h` holds no protection word.
void DecryptBlocks(std::vector<std::uint8_t>& image, const TableHeader& h);
void EncryptBlocks(std::vector<std::uint8_t>& image, const TableHeader& h);

// For an image DecryptBlocks has decrypted: true when block `number` was stored
// plain, i.e. it is no data block decrypted but was one as stored. False for a
// block that is fine, cut short, or damaged either way.
bool StoredPlain(const std::vector<std::uint8_t>& image, const TableHeader& h, std::uint16_t number);

// EngineError naming `file`: its block `number` is stored plain although the file
// is password-protected, so the file mixes encrypted and plain blocks.
[[noreturn]] void FailMixedBlocks(const std::string& file, std::uint16_t number);

// Protects a plain .DB or index image with `protection`: the word into its header
// and every block encrypted. (What the table's own engine does when a password is
// set; the program itself never protects a plain table.)
void ProtectImage(std::vector<std::uint8_t>& image, std::uint32_t protection);

}  // namespace ter5::engine
