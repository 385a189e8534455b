#include "TableFile.h"

#include <algorithm>
#include <unordered_set>

#include "BlobFile.h"
#include "BoundedRead.h"
#include "ByteIo.h"
#include "EngineError.h"
#include "FieldCodec.h"
#include "FileProtection.h"
#include "FileUtil.h"

namespace ter5::engine {

std::shared_ptr<TableFile> TableFile::Load(const std::filesystem::path& path, int codePage) {
    auto resolved = ResolveNoCase(path);
    if (!resolved) Fail(PathToUtf8(path), "table does not exist");
    std::shared_ptr<TableFile> t(new TableFile());
    t->path_ = *resolved;
    t->name_ = PathToUtf8(*resolved);
    std::string excess;
    t->bytes_ = ReadWithinHeader(*resolved, excess);  // never more than the header's blocks
    if (!excess.empty()) t->notes_.push_back(excess);
    t->Parse(codePage);
    return t;
}

std::shared_ptr<TableFile> TableFile::FromBytes(std::vector<std::uint8_t> bytes, const std::string& name,
                                                int codePage) {
    std::shared_ptr<TableFile> t(new TableFile());
    t->name_ = name;
    t->bytes_ = std::move(bytes);
    t->Parse(codePage);
    return t;
}

std::shared_ptr<TableFile> TableFile::FromImage(std::vector<std::uint8_t> bytes, const std::filesystem::path& path,
                                                int codePage) {
    std::shared_ptr<TableFile> t(new TableFile());
    t->path_ = path;
    t->name_ = PathToUtf8(path);
    t->bytes_ = std::move(bytes);
    t->Parse(codePage);
    return t;
}

void TableFile::Parse(int codePage) {
    header_ = ParseHeader(bytes_.data(), bytes_.size(), name_);
    DecryptBlocks(bytes_, header_);  // a password-protected file: its key is in the header
    codec_ = TextCodec(codePage ? codePage : DefaultTextCodePage(header_.codePage));
    fields_ = header_.fields;
    for (auto& f : fields_) f.name = codec_.Decode(f.name);

    const std::size_t blockSize = header_.BlockSize();
    const std::size_t recordSize = header_.recordSize;
    const std::size_t maxPerBlock = (blockSize - format::kBlockHeaderSize) / recordSize;
    const std::size_t size = bytes_.size();
    if (header_.IsTreeFile() || header_.firstBlock == 0 || header_.fileBlocks == 0) {
        if (!header_.IsTreeFile() && header_.numRecords != 0)
            notes_.push_back("header counts " + std::to_string(header_.numRecords) + " records but the table has no blocks");
        if (!header_.IsTreeFile()) return;
    }
    if (header_.IsTreeFile()) return;  // B-tree files are read block by block by the index reader

    std::unordered_set<std::uint16_t> seen;
    std::uint16_t number = header_.firstBlock;
    std::uint16_t previous = 0;
    std::size_t records = 0;
    while (number != 0) {
        if (!seen.insert(number).second) Fail(name_, "corrupt block chain: block " + std::to_string(number) + " is reached twice");
        const std::size_t offset = header_.headerSize + (static_cast<std::size_t>(number) - 1) * blockSize;
        if (offset + format::kBlockHeaderSize > size)
            Fail(name_, "truncated file: block " + std::to_string(number) + " lies beyond the end of the file");
        if (StoredPlain(bytes_, header_, number)) FailMixedBlocks(name_, number);
        const std::uint8_t* p = bytes_.data() + offset;
        const std::uint16_t next = ReadU16(p + format::kBlockNext);
        const std::uint16_t prev = ReadU16(p + format::kBlockPrev);
        const int addDataSize = ReadS16(p + format::kBlockAddDataSize);
        if (addDataSize < -static_cast<int>(recordSize) || (addDataSize >= 0 && addDataSize % recordSize != 0))
            Fail(name_, "corrupt block " + std::to_string(number) + ": record area size " + std::to_string(addDataSize));
        std::size_t count = addDataSize < 0 ? 0 : static_cast<std::size_t>(addDataSize) / recordSize + 1;
        if (count > maxPerBlock)
            Fail(name_, "corrupt block " + std::to_string(number) + ": " + std::to_string(count) + " records do not fit the block");
        const std::size_t dataStart = offset + format::kBlockHeaderSize;
        if (dataStart + count * recordSize > size) {
            if (next != 0)
                Fail(name_, "truncated file: block " + std::to_string(number) + " is cut short");
            Fail(name_, "truncated file: the last block's records run past the end of the file");
        }
        if (prev != previous)
            notes_.push_back("block " + std::to_string(number) + " names block " + std::to_string(prev) +
                             " as previous, the chain comes from " + std::to_string(previous));
        if (count > 0) blocks_.push_back({number, static_cast<std::uint32_t>(records), static_cast<std::uint16_t>(count), dataStart});
        records += count;
        previous = number;
        number = next;
    }
    recordCount_ = records;
    if (records != header_.numRecords)
        notes_.push_back("header counts " + std::to_string(header_.numRecords) + " records, the blocks hold " + std::to_string(records));
}

std::size_t TableFile::BlockOfRecord(std::size_t i) const {
    auto it = std::upper_bound(blocks_.begin(), blocks_.end(), i,
                               [](std::size_t v, const Block& b) { return v < b.firstRecord; });
    return static_cast<std::size_t>(it - blocks_.begin()) - 1;
}

const std::uint8_t* TableFile::Record(std::size_t i) const {
    if (i >= recordCount_) Fail(name_, "record " + std::to_string(i + 1) + " out of range");
    const Block& b = blocks_[BlockOfRecord(i)];
    return bytes_.data() + b.offset + (i - b.firstRecord) * header_.recordSize;
}

int TableFile::FieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (EqualsNoCase(fields_[i].name, std::string(name))) return static_cast<int>(i);
    return -1;
}

int TableFile::RequireField(std::string_view name) const {
    const int i = FieldIndex(name);
    if (i < 0) Fail(name_, "field '" + std::string(name) + "' does not exist");
    return i;
}

const BlobFile* TableFile::Blobs() const {
    if (!blobsLoaded_) {
        blobsLoaded_ = true;
        if (!path_.empty()) {
            auto mb = FindFileNoCase(path_.parent_path(), PathToUtf8(path_.stem()) + ".MB");
            if (mb) blobs_ = std::make_shared<BlobFile>(BlobFile::Load(*mb, header_.encryption));
        }
    }
    return blobs_.get();
}

Value TableFile::Decode(const std::uint8_t* record, std::size_t field) const {
    const FieldDesc& f = fields_.at(field);
    if (!IsBlobType(f.type)) {
        try {
            return DecodeField(f, record + f.offset, codec_);
        } catch (const EngineError& e) {
            Fail(name_, e.what());
        }
    }
    const std::uint8_t* p = record + f.offset;
    if (std::all_of(p, p + f.length, [](std::uint8_t c) { return c == 0; })) return Value::Null();
    const BlobRef ref = DecodeBlobRef(f, p);
    std::string data;
    if (ref.offset == 0 && ref.index == 0) {
        data = ref.leader.substr(0, std::min<std::size_t>(ref.length, ref.leader.size()));
    } else {
        const BlobFile* mb = Blobs();
        if (!mb) Fail(name_, "field '" + f.name + "' refers to a blob file that does not exist");
        data = mb->Read(ref.offset, ref.index, ref.length);
    }
    if (ref.length == 0 && data.empty()) return Value::Null();
    if (f.type == FieldType::Memo) {
        const auto nul = data.find('\0');
        if (nul != std::string::npos) data.resize(nul);
        return Value::Text(codec_.Decode(data));
    }
    if ((f.type == FieldType::Graphic || f.type == FieldType::Ole) && ref.offset != 0)
        data = BlobFile::StripPicturePrefix(data);
    return Value::Bytes(std::move(data));
}

Value TableFile::Get(std::size_t i, std::size_t field) const { return Decode(Record(i), field); }

}  // namespace ter5::engine
