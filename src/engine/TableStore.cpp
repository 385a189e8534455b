#include "TableStore.h"

#include <cstring>
#include <optional>

#include "EngineError.h"
#include "PlatformFiles.h"
#include "TableWriter.h"
#include "FileUtil.h"

namespace fs = std::filesystem;

namespace ter5::engine {

FileStamp FileStamp::Of(const fs::path& path) {
    FileStamp s;
    std::error_code ec;
    s.size = fs::file_size(path, ec);
    if (ec) return {};
    const auto time = fs::last_write_time(path, ec);
    if (!ec) s.modified = static_cast<std::int64_t>(time.time_since_epoch().count());
    s.inode = FileNumber(path);
    return s;
}

TableStore::TableStore(const fs::path& path, bool exclusive)
    : path_(path),
      exclusive_(exclusive),
      lock_(std::make_unique<TableLock>(path, exclusive ? TableLock::Mode::Exclusive : TableLock::Mode::Shared)) {
    Load();
}

void TableStore::Load() {
    const FileStamp stamp = FileStamp::Of(path_);
    std::shared_ptr<TableFile> file = TableFile::Load(path_);
    locator_ = RecordLocator(*file);
    file_ = std::move(file);
    stamp_ = stamp;
    ++generation_;
}

bool TableStore::Keyed() const {
    return file_->Header().fileType == FileType::KeyedDb && file_->Header().numKeyFields > 0;
}

std::size_t TableStore::Count() const { return editor_ ? editor_->RecordCount() : locator_.Count(); }

Value TableStore::DecodeBlob(std::uint32_t record, int field) const {
    if (editor_) return editor_->Get(record, static_cast<std::size_t>(field));
    if (record >= locator_.Count()) Fail(PathToUtf8(path_), "record " + std::to_string(record + 1) + " out of range");
    return file_->Decode(locator_(record), static_cast<std::size_t>(field));
}

bool TableStore::ReloadIfChanged() {
    if (editor_ || FileStamp::Of(path_) == stamp_) return false;
    Load();
    return true;
}

bool TableStore::SameRecord(const std::uint8_t* a, const std::uint8_t* b) const {
    const std::size_t n = Keyed() ? KeyLength(file_->Header()) : file_->Header().recordSize;
    return std::memcmp(a, b, n) == 0;
}

std::size_t TableStore::Find(const std::string& bytes, std::size_t hint) const {
    if (bytes.size() != file_->Header().recordSize) return kNoRecord;
    const auto* wanted = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t count = Count();
    if (hint < count && SameRecord(Bytes(static_cast<std::uint32_t>(hint)), wanted)) return hint;
    for (std::size_t i = 0; i < count; ++i)
        if (SameRecord(Bytes(static_cast<std::uint32_t>(i)), wanted)) return i;
    return kNoRecord;
}

std::size_t TableStore::FindInEditor(const TableEditor& editor, const Change& change) const {
    const auto* wanted = reinterpret_cast<const std::uint8_t*>(change.original.data());
    const auto at = [&editor](std::size_t i) { return reinterpret_cast<const std::uint8_t*>(editor.RawRecord(i).data()); };
    if (change.original.size() == file_->Header().recordSize) {
        if (change.record < editor.RecordCount() && SameRecord(at(change.record), wanted)) return change.record;
        for (std::size_t i = 0; i < editor.RecordCount(); ++i)
            if (SameRecord(at(i), wanted)) return i;
    }
    Fail(PathToUtf8(path_), "Couldn't perform the edit because another user changed the record");
}

std::size_t TableStore::Apply(const Change& change) {
    std::unique_ptr<TableEditor> fresh;
    std::optional<TableLock::WriteScope> writing;
    TableEditor* editor = nullptr;
    if (deferred_) {
        if (!editor_) {
            editorStamp_ = FileStamp::Of(path_);
            editor_ = std::make_unique<TableEditor>(path_, 0, lock_.get());
            ++generation_;
        }
        editor = editor_.get();
    } else {
        writing.emplace(*lock_);  // the table is read and written under one exclusive hold
        fresh = std::make_unique<TableEditor>(path_, 0, lock_.get());
        editor = fresh.get();
    }
    using Kind = Change::Kind;
    std::size_t index = change.kind == Kind::Insert ? 0 : FindInEditor(*editor, change);
    std::string written;
    if (change.kind == Kind::Delete) {
        editor->Delete(index);
    } else {
        std::string record = change.kind == Kind::Insert ? editor->BlankRecord() : editor->RawRecord(index);
        for (std::size_t f = 0; f < change.values->size(); ++f)
            if ((*change.assigned)[f] || (change.kind == Kind::Insert && !(*change.values)[f].IsNull()))
                editor->SetField(record, f, (*change.values)[f]);
        if (change.kind == Kind::Insert) {
            editor->Append(std::move(record));
            index = editor->RecordCount() - 1;
            written = editor->RawRecord(index);
        } else {
            written = record;
            editor->Update(index, std::move(record));
        }
    }
    if (deferred_) {
        if (change.kind != Kind::Insert) ++generation_;
        return change.kind == Kind::Delete ? kNoRecord : index;
    }
    editor->Save();
    Load();
    return change.kind == Kind::Delete ? kNoRecord : Find(written, index);
}

void TableStore::SavePending() {
    if (!editor_) return;
    TableLock::WriteScope writing(*lock_);
    if (FileStamp::Of(path_) != editorStamp_)
        Fail(PathToUtf8(path_), "the table was changed by another user while posted rows were pending; they were not written");
    try {
        editor_->Save();
    } catch (...) {
        ++generation_;  // a failed save may have sorted the pending rows
        throw;
    }
    editor_.reset();
    Load();
}

void TableStore::DiscardPending() {
    if (!editor_) return;
    editor_.reset();
    ++generation_;
}

void TableStore::Sync() const {
    SyncFile(path_);
    for (const fs::path& companion : ListCompanions(path_.parent_path(), PathToUtf8(path_.stem()))) SyncFile(companion);
    SyncFile(path_.parent_path().empty() ? fs::path(".") : path_.parent_path());
}

}  // namespace ter5::engine
