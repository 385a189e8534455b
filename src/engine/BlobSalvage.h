#pragma once
// Reading a damaged memo file (.MB) without trusting it. Its blocks are found by
// walking the file a 4 KB chunk at a time from the first block on, whatever its
// header says; a record's blob reference is taken only when it names the start of
// a block found so, of the type its slot byte calls for, holding the length and
// modification number the record gives and the leader the record carries
// (doc/repair.md lists the rules and the files they were observed on).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "FieldCodec.h"
#include "FieldDesc.h"

namespace ter5::engine {

class BlobMap {
public:
    // Maps the .MB image `bytes` (empty when the table has no memo file).
    explicit BlobMap(std::vector<std::uint8_t> bytes = {});

    bool Present() const { return !bytes_.empty(); }
    // True when the header block (the first 4 KB) is not one the engine wrote.
    bool HeaderDamaged() const { return headerDamaged_; }

    // Why the blob field `field` whose stored bytes are `p` cannot be read; nullopt
    // when it can (a NULL field can). `p` holds field.length bytes.
    std::optional<std::string> Check(const FieldDesc& field, const std::uint8_t* p) const;

    // The bytes a field Check() accepted stores in the memo file, as stored (graphic
    // data with its prefix); nullopt for a blob held whole in the record's leader.
    std::optional<std::string> Stored(const FieldDesc& field, const std::uint8_t* p) const;

    // The memo file of the repaired table: the file as it was, so that every kept
    // reference stays true, with its header block made whole where it was damaged.
    std::vector<std::uint8_t> RepairedImage() const;

private:
    struct Block {
        std::uint8_t type = 0;
        std::uint16_t chunks = 1;
    };
    std::optional<std::string> CheckStored(const BlobRef& ref, std::string_view& data) const;

    std::vector<std::uint8_t> bytes_;
    std::unordered_map<std::uint32_t, Block> blocks_;  // by file offset
    bool headerDamaged_ = false;
};

}  // namespace ter5::engine
