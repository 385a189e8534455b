#include "TableEditor.h"

#include <algorithm>
#include <cstring>

#include "EngineError.h"
#include "FieldCodec.h"
#include "FileUtil.h"
#include "LanguageDriver.h"
#include "TableRewrite.h"
#include "TableWriter.h"

namespace ter5::engine {
namespace {

// Modification number written with new blobs (a restructure resets it to 1).
constexpr std::uint16_t kBlobModNumber = 1;

}  // namespace

namespace {

std::unique_ptr<TableLock> LockUnlessHeld(const std::filesystem::path& path, TableLock* held) {
    if (held) return nullptr;
    return std::make_unique<TableLock>(ResolveNoCase(path).value_or(path), TableLock::Mode::Exclusive);
}

}  // namespace

TableEditor::TableEditor(const std::filesystem::path& path, int codePage, TableLock* held)
    : ownLock_(LockUnlessHeld(path, held)),
      lock_(held ? held : ownLock_.get()),
      path_(path),
      codePage_(codePage),
      source_(LoadForWrite(path, codePage)) {
    path_ = source_->Path();
    records_.reserve(source_->RecordCount());
    for (std::size_t i = 0; i < source_->RecordCount(); ++i)
        records_.emplace_back(reinterpret_cast<const char*>(source_->Record(i)), source_->Header().recordSize);
    changed_.assign(records_.size(), false);
    const int ai = AutoIncField();
    nextAutoInc_ = static_cast<std::int64_t>(source_->Header().autoIncrement) + 1;
    if (ai >= 0)
        for (std::size_t i = 0; i < records_.size(); ++i) {
            const Value v = GetField(records_[i], ai);
            if (!v.IsNull()) nextAutoInc_ = std::max(nextAutoInc_, v.integer + 1);
        }
}

int TableEditor::AutoIncField() const {
    const auto& fields = source_->Fields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].type == FieldType::AutoInc) return static_cast<int>(i);
    return -1;
}

Value TableEditor::Get(std::size_t i, std::size_t field) const { return GetField(records_.at(i), field); }

Value TableEditor::GetField(const std::string& record, std::size_t field) const {
    if (record.size() != source_->Header().recordSize) Fail(PathToUtf8(path_), "record has the wrong size");
    if (IsBlobType(source_->Fields().at(field).type) && blobImage_) {
        // A blob written since loading lives in the pending .MB image.
        const FieldDesc& f = source_->Fields()[field];
        const auto* p = reinterpret_cast<const std::uint8_t*>(record.data()) + f.offset;
        const BlobRef ref = DecodeBlobRef(f, p);
        if (ref.offset != 0) {
            const BlobFile mb = BlobFile::FromBytes(*blobImage_, PathToUtf8(path_));
            std::string data = mb.Read(ref.offset, ref.index, ref.length);
            if (f.type == FieldType::Memo) return Value::Text(source_->Codec().Decode(data));
            if (f.type == FieldType::Graphic || f.type == FieldType::Ole) data = BlobFile::StripPicturePrefix(data);
            return Value::Bytes(std::move(data));
        }
    }
    return source_->Decode(reinterpret_cast<const std::uint8_t*>(record.data()), field);
}

std::string TableEditor::BlankRecord() const { return std::string(source_->Header().recordSize, '\0'); }

void TableEditor::SetField(std::string& record, std::size_t field, const Value& value) {
    const FieldDesc& f = source_->Fields().at(field);
    if (record.size() != source_->Header().recordSize) Fail(PathToUtf8(path_), "record has the wrong size");
    auto* out = reinterpret_cast<std::uint8_t*>(record.data()) + f.offset;
    if (!IsBlobType(f.type)) {
        std::string tmp(f.length, '\0');
        EncodeField(f, value, reinterpret_cast<std::uint8_t*>(tmp.data()), source_->Codec());
        std::memcpy(out, tmp.data(), f.length);
        return;
    }
    if (value.IsNull()) {
        std::memset(out, 0, f.length);
        return;
    }
    std::string data;
    if (value.kind == Value::Kind::Text)
        data = source_->Codec().Encode(value.text);
    else if (value.kind == Value::Kind::Bytes)
        data = value.text;
    else
        Fail(PathToUtf8(path_), "type mismatch: field '" + f.name + "' takes text or bytes");
    BlobRef ref;
    const std::size_t leaderSize = f.length - 10;
    ref.length = static_cast<std::uint32_t>(data.size());
    ref.modNumber = kBlobModNumber;
    if (data.size() <= leaderSize) {
        ref.leader = data;
    } else {
        ref.leader = data.substr(0, leaderSize);
        if (f.type == FieldType::Graphic || f.type == FieldType::Ole) data = BlobFile::AddPicturePrefix(data);
        ref.length = static_cast<std::uint32_t>(data.size());
        if (!blobImage_) {
            std::vector<std::uint8_t> existing;
            if (auto mb = FindFileNoCase(path_.parent_path(), PathToUtf8(path_.stem()) + ".MB")) {
                existing = ReadWholeFile(*mb);
                DecryptBlobImage(existing, source_->Header().encryption);  // grown plain, stored as the table is
            }
            blobImage_ = std::make_unique<std::vector<std::uint8_t>>(std::move(existing));
        }
        BlobWriter writer(std::move(*blobImage_));
        const std::uint32_t at = writer.Add(data);
        *blobImage_ = writer.Release();
        ref.offset = at & ~0xFFu;
        ref.index = static_cast<std::uint8_t>(at & 0xFF);
    }
    std::string tmp(f.length, '\0');
    EncodeBlobRef(f, ref, reinterpret_cast<std::uint8_t*>(tmp.data()));
    std::memcpy(out, tmp.data(), f.length);
}

std::int64_t TableEditor::Append(std::string record) {
    if (record.size() != source_->Header().recordSize) Fail(PathToUtf8(path_), "record has the wrong size");
    std::int64_t assigned = 0;
    const int ai = AutoIncField();
    if (ai >= 0) {
        Value v = GetField(record, ai);
        if (v.IsNull()) {
            assigned = nextAutoInc_++;
            SetField(record, ai, Value::Int(assigned));
        } else {
            assigned = v.integer;
            nextAutoInc_ = std::max(nextAutoInc_, v.integer + 1);
        }
    }
    records_.push_back(std::move(record));
    changed_.push_back(true);
    return assigned;
}

void TableEditor::Update(std::size_t i, std::string record) {
    if (i >= records_.size()) Fail(PathToUtf8(path_), "record " + std::to_string(i + 1) + " out of range");
    if (record.size() != source_->Header().recordSize) Fail(PathToUtf8(path_), "record has the wrong size");
    records_[i] = std::move(record);
    changed_[i] = true;
}

void TableEditor::Delete(std::size_t i) {
    if (i >= records_.size()) Fail(PathToUtf8(path_), "record " + std::to_string(i + 1) + " out of range");
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(i));
    changed_.erase(changed_.begin() + static_cast<std::ptrdiff_t>(i));
}

void TableEditor::SortByKey() {
    const TableHeader& h = source_->Header();
    const std::size_t keyLen = KeyLength(h);
    if (h.fileType != FileType::KeyedDb || keyLen == 0) return;
    const auto less = [keyLen](const std::string& a, const std::string& b) {
        return std::memcmp(a.data(), b.data(), keyLen) < 0;
    };
    const std::vector<FieldDesc> keyFields(h.fields.begin(), h.fields.begin() + h.numKeyFields);
    bool keptInByteOrder = true;
    for (std::size_t i = 0, last = records_.size(); i < records_.size() && keptInByteOrder; ++i) {
        if (changed_[i]) continue;
        keptInByteOrder = last == records_.size() || !less(records_[i], records_[last]);
        last = i;
    }
    if (keptInByteOrder || KeyRules(h).OrderEstablished(keyFields)) {
        std::stable_sort(records_.begin(), records_.end(), less);
        changed_.assign(records_.size(), false);
        for (std::size_t i = 1; i < records_.size(); ++i)
            if (std::memcmp(records_[i - 1].data(), records_[i].data(), keyLen) == 0)
                Fail(PathToUtf8(path_), "Key violation: two records have the same key");
        return;
    }
    // The records are in the engine's order of a driver this program does not
    // know: keep it, and place each new or changed record by byte order.
    std::vector<std::string> kept, placed;
    for (std::size_t i = 0; i < records_.size(); ++i) (changed_[i] ? placed : kept).push_back(std::move(records_[i]));
    std::stable_sort(placed.begin(), placed.end(), less);
    std::vector<std::string> merged;
    merged.reserve(records_.size());
    std::size_t next = 0;
    for (std::string& k : kept) {
        while (next < placed.size() && less(placed[next], k)) merged.push_back(std::move(placed[next++]));
        merged.push_back(std::move(k));
    }
    while (next < placed.size()) merged.push_back(std::move(placed[next++]));
    records_ = std::move(merged);
    changed_.assign(records_.size(), false);
    std::vector<std::string_view> keys;
    keys.reserve(records_.size());
    for (const std::string& r : records_) keys.emplace_back(r.data(), keyLen);
    std::sort(keys.begin(), keys.end());
    if (std::adjacent_find(keys.begin(), keys.end()) != keys.end())
        Fail(PathToUtf8(path_), "Key violation: two records have the same key");
}

TableEditor::~TableEditor() = default;

void TableEditor::Save() {
    SortByKey();
    std::optional<std::uint32_t> autoIncrement;
    if (AutoIncField() >= 0) autoIncrement = static_cast<std::uint32_t>(nextAutoInc_ - 1);
    TableRewrite rewrite(source_, *lock_, codePage_);
    rewrite.SetRecordsView(records_, autoIncrement);
    if (blobImage_) {
        const auto mb = FindFileNoCase(path_.parent_path(), PathToUtf8(path_.stem()) + ".MB");
        rewrite.SetBlobFile(mb ? *mb : path_.parent_path() / PathFromUtf8(PathToUtf8(path_.stem()) + ".MB"), *blobImage_);
    }
    rewrite.Commit();
    source_ = rewrite.Result();
    blobImage_.reset();
}

}  // namespace ter5::engine
