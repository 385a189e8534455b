#include "TableRewrite.h"

#include <algorithm>
#include <cstring>

#include "ByteIo.h"
#include "BlobFile.h"
#include "EngineError.h"
#include "FileProtection.h"
#include "FileUtil.h"
#include "IndexBuilder.h"
#include "IndexLayout.h"
#include "IndexOrderGuard.h"
#include "IndexReader.h"
#include "IndexVerify.h"
#include "TableChecks.h"
#include "TableRepair.h"
#include "TableWriter.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

using namespace format;

// Index file headers are read for their bytes only; no real header is larger.
constexpr std::size_t kMaxHeaderBytes = 0xFFFF;

// Header bytes a rebuilt index keeps from the file it replaces: (offset, length).
struct ByteRange {
    std::size_t offset;
    std::size_t length;
    bool extensionOnly;  // only in headers with the 4.x extension (.X files)
};
constexpr ByteRange kPredecessorBytes[] = {
    {indexheader::kFamilySequence, 2, false},  // family sequence
    {indexheader::kTreeCounterLink, 4, false}, // 0x2C–0x2F: the change-counter ties
    {0x3A, 2, false},                          // constant-looking, 1 in fresh files
    {0x3E, 2, false},                          // 0x1F 0x0F in .X files
    {kAutoIncrement, 4, false},                // 1–1889 in real tree files
    {0x56, 1, true},                           // 0x20
    {0x6C, 2, true},                           // 0x01 0x01
};

// Companion files that belong to a table and go when it is replaced: the primary
// index, blobs, validity checks and every secondary index file.
bool IsTableCompanion(const std::string& extension) {
    std::string e;
    for (char c : extension) e += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (e == ".PX" || e == ".MB" || e == ".VAL") return true;
    if (e.size() >= 3 && (e[1] == 'X' || e[1] == 'Y')) {
        const std::string rest = e.substr(e[2] == 'G' ? 3 : 2);
        return !rest.empty() && std::all_of(rest.begin(), rest.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
    }
    return false;
}

// One file by name: on Windows, whose names ignore case, also in another letter case.
bool SamePath(const fs::path& a, const fs::path& b) {
#ifdef _WIN32
    return EqualsNoCase(PathToUtf8(a.filename()), PathToUtf8(b.filename())) && a.parent_path() == b.parent_path();
#else
    return a.filename() == b.filename() && a.parent_path() == b.parent_path();
#endif
}

bool Contains(const std::vector<fs::path>& list, const fs::path& p) {
    return std::any_of(list.begin(), list.end(), [&](const fs::path& q) { return SamePath(p, q); });
}

// The files beside `path` whose stem is the table's own ("T.OLD.X01" is not T's).
std::vector<fs::path> OwnFiles(const fs::path& path) {
    std::vector<fs::path> own;
    const std::string stem = PathToUtf8(path.stem());
    for (const fs::path& p : ListCompanions(path.parent_path(), stem))
        if (EqualsNoCase(PathToUtf8(p.stem()), stem)) own.push_back(p);
    return own;
}

[[noreturn]] void Damaged(const std::string& file, std::string damage, bool) { FailDamaged(file, std::move(damage)); }

std::vector<std::uint8_t> ReadHeaderPrefix(const fs::path& path) { return ReadFilePrefix(path, kMaxHeaderBytes); }

// The protection word of a header prefix (0: plain); none for an unreadable one.
std::optional<std::uint32_t> ProtectionOf(const std::vector<std::uint8_t>& header) {
    try {
        return ParseHeader(header.data(), header.size(), "predecessor").encryption;
    } catch (const EngineError&) {
        return std::nullopt;
    }
}

// The tree file of an X file: the same name with Y for X, in the same letter case.
fs::path TreeFileFor(const fs::path& x) {
    std::string name = PathToUtf8(x.filename());
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot + 1 < name.size()) name[dot + 1] = name[dot + 1] == 'x' ? 'y' : 'Y';
    return x.parent_path() / PathFromUtf8(name);
}

}  // namespace

void FailDamaged(const std::string& file, std::string damage) {
    if (damage.rfind(file + ": ", 0) == 0) damage.erase(0, file.size() + 2);  // the file is named once
    Fail(file, "the table is damaged (" + damage + "); nothing was written. `ter5tool verify` lists the damage; " +
                   kRepairAdvice);
}

std::shared_ptr<TableFile> LoadForWrite(const fs::path& path, int codePage) {
    try {
        return TableFile::Load(path, codePage);
    } catch (const EngineError& e) {
        const std::string what = e.what();
        // Only damage is for a repair; a file that cannot be opened or a protected table is not.
        if (!ResolveNoCase(path) || what.find("cannot open") != std::string::npos || what.find("password") != std::string::npos)
            throw;
        FailDamaged(PathToUtf8(path), what);
    }
}

void KeepPredecessorBytes(std::vector<std::uint8_t>& image, const std::vector<std::uint8_t>& predecessor) {
    if (image.size() < kDataHeaderEnd || predecessor.size() < kFixedHeaderEnd) return;
    TableHeader old;
    try {
        old = ParseHeader(predecessor.data(), predecessor.size(), "predecessor");
    } catch (const EngineError&) {
        return;  // unreadable: the documented rules stand
    }
    if (static_cast<std::uint8_t>(old.fileType) != image[kFileType] || old.version != image[kVersion]) return;
    const bool extension = old.hasExtension && old.headerSize >= kDataHeaderEnd;
    for (const ByteRange& r : kPredecessorBytes) {
        if (r.extensionOnly && !extension) continue;
        if (r.offset + r.length > predecessor.size()) continue;
        std::memcpy(image.data() + r.offset, predecessor.data() + r.offset, r.length);
    }
}

TableRewrite::TableRewrite(const fs::path& path, int codePage, TableLock* held) : codePage_(codePage) {
    const auto resolved = ResolveNoCase(path);
    if (!resolved) Fail(PathToUtf8(path), "table does not exist");
    path_ = *resolved;
    if (!held) ownLock_ = std::make_unique<TableLock>(path_, TableLock::Mode::Exclusive);
    transaction_ = std::make_unique<FileTransaction>(path_);
    original_ = LoadForWrite(path_, codePage);
    CheckTable();
}

TableRewrite::TableRewrite(std::shared_ptr<TableFile> table, TableLock&, int codePage)
    : path_(table->Path()), codePage_(codePage), original_(std::move(table)) {
    transaction_ = std::make_unique<FileTransaction>(path_);
    CheckTable();
}

void TableRewrite::CheckTable() {
    if (!original_->Header().IsTable()) Fail(PathToUtf8(path_), "not a table (.DB) file");
    for (const std::string& note : original_->Notes()) Damaged(PathToUtf8(path_), note, false);
    for (const std::string& error : BlockStructureErrors(*original_)) Damaged(PathToUtf8(path_), error, false);
    for (const std::string& error : BlobReferenceErrors(*original_)) Damaged(PathToUtf8(path_), error, false);
    header_ = original_->Header();
    companions_ = OwnFiles(path_);
}

TableRewrite::TableRewrite(const fs::path& path, TableHeader header, int codePage) : codePage_(codePage), newTable_(true) {
    path_ = ResolveNoCase(path).value_or(path);
    ownLock_ = std::make_unique<TableLock>(path_, TableLock::Mode::Exclusive);
    const std::string stem = PathToUtf8(path_.stem());
    companions_ = OwnFiles(path_);
    for (const fs::path& other : companions_)
        if (!SamePath(other, path_) && EqualsNoCase(PathToUtf8(other.extension()), ".DB"))
            Fail(PathToUtf8(path_), "the table " + PathToUtf8(other) +
                                     " already uses the index and memo files of that name; nothing was created");
    transaction_ = std::make_unique<FileTransaction>(path_);
    header_ = std::move(header);
    // A table created over a password-protected one keeps its protection word.
    if (Contains(companions_, path_))
        if (const std::uint32_t protection = ProtectionOf(ReadHeaderPrefix(path_)).value_or(0))
            SetProtection(header_.raw, header_, protection);
    ownRecords_.emplace();
    records_ = &*ownRecords_;
    original_ = TableFile::FromImage(BuildTableImage(header_, {}), path_, codePage);
    // The table replaced goes with every file of its own; the new table's are written anew.
    for (const fs::path& file : companions_)
        if (IsTableCompanion(PathToUtf8(file.extension()))) dropped_.push_back(file);
    planned_ = true;
}

TableRewrite::~TableRewrite() = default;

bool TableRewrite::Dropped(const fs::path& file) const { return Contains(dropped_, file) || Contains(obsolete_, file); }

void TableRewrite::DropIndexFiles(const std::vector<fs::path>& files) {
    if (planned_) throw EngineError("index files are dropped before the write is planned");
    for (const fs::path& f : files) {
        if (!Contains(companions_, f)) continue;
        dropped_.push_back(f);
        if (EqualsNoCase(PathToUtf8(f.extension()), ".PX")) pxDropped_ = true;
    }
}

void TableRewrite::CheckIndexFile(const IndexFileSet& set, const IndexInfo& info) const {
    std::shared_ptr<TableFile> x;
    try {
        x = TableFile::Load(set.x, original_->Codec().CodePage());
    } catch (const EngineError& e) {
        Damaged(PathToUtf8(set.x), e.what(), true);
    }
    for (const std::string& note : x->Notes()) Damaged(PathToUtf8(set.x), note, true);
    for (const std::string& error : BlockStructureErrors(*x)) Damaged(PathToUtf8(set.x), error, true);
    const SecondaryLayout layout = MakeSecondaryLayout(*original_, info.def);
    bool fits = x->Header().fields.size() == layout.fields.size() && x->Header().numKeyFields == layout.keyFields;
    for (std::size_t i = 0; fits && i < layout.fields.size(); ++i)
        fits = x->Header().fields[i].type == layout.fields[i].type && x->Header().fields[i].length == layout.fields[i].length;
    if (!fits) Damaged(PathToUtf8(set.x), "its fields do not fit an index on the table", true);
    if (!set.y.empty() && !Dropped(set.y)) {
        try {
            LoadIndexTree(set.y);
        } catch (const EngineError& e) {
            Damaged(PathToUtf8(set.y), e.what(), true);
        }
    }
}

void TableRewrite::Plan() {
    if (planned_) return;
    planned_ = true;
    const TableHeader& h = original_->Header();
    if (h.fileType == FileType::KeyedDb && h.numKeyFields > 0 && !pxDropped_) {
        const IndexInfo primary = DescribePrimaryIndex(*original_);
        if (!primary.files.empty()) {
            try {
                LoadIndexTree(primary.files[0]);
            } catch (const EngineError& e) {
                Damaged(PathToUtf8(primary.files[0]), e.what(), true);
            }
        }
    }
    for (const IndexFileSet& set : ListIndexFiles(*original_)) {
        if (Dropped(set.x)) continue;
        IndexInfo info;
        try {
            info = DescribeIndex(*original_, set);
        } catch (const EngineError& e) {
            Damaged(PathToUtf8(set.x), e.what(), true);
        }
        CheckIndexFile(set, info);
        Planned p;
        p.def = info.def;
        p.files.x = set.x;
        p.files.composite = info.composite;
        p.files.fileNumber = info.fileNumber;
        p.files.y = set.y.empty() || Dropped(set.y) ? TreeFileFor(set.x) : set.y;
        secondary_.push_back(std::move(p));
    }
}

IndexPlan TableRewrite::CurrentPlan() const {
    IndexPlan plan;
    for (const Planned& p : secondary_) {
        IndexInfo info;
        info.def = p.def;
        info.files = {p.files.x};
        if (!p.files.y.empty()) info.files.push_back(p.files.y);
        info.fileNumber = p.files.fileNumber;
        info.composite = p.files.composite;
        plan.secondary.push_back(std::move(info));
    }
    plan.existing = [this](const std::string& name) -> std::optional<fs::path> {
        for (const fs::path& f : companions_)
            if (EqualsNoCase(PathToUtf8(f.filename()), name)) return f;
        return std::nullopt;
    };
    plan.taken = [this](const std::string& name) {
        for (const Planned& p : secondary_)
            for (const fs::path& f : {p.files.x, p.files.y})
                if (!f.empty() && EqualsNoCase(PathToUtf8(f.filename()), name)) return true;
        for (const fs::path& f : companions_)
            if (EqualsNoCase(PathToUtf8(f.filename()), name) && !Dropped(f)) return true;
        return false;
    };
    return plan;
}

const std::vector<std::string>& TableRewrite::CurrentRecords() {
    if (records_) return *records_;
    if (!ownRecords_) {
        // The records as they are, for a table whose header alone changes.
        ownRecords_.emplace();
        ownRecords_->reserve(original_->RecordCount());
        const std::size_t size = original_->Header().recordSize;
        for (std::size_t i = 0; i < original_->RecordCount(); ++i)
            ownRecords_->emplace_back(reinterpret_cast<const char*>(original_->Record(i)), size);
    }
    return *ownRecords_;
}

void TableRewrite::SetRecords(std::vector<std::string> records, std::optional<std::uint32_t> autoIncrement) {
    ownRecords_ = std::move(records);
    SetRecordsView(*ownRecords_, autoIncrement);
}

void TableRewrite::SetRecordsView(const std::vector<std::string>& records, std::optional<std::uint32_t> autoIncrement) {
    Plan();
    for (const std::string& r : records)
        if (r.size() != header_.recordSize)
            Fail(PathToUtf8(path_), "record of " + std::to_string(r.size()) + " bytes, the table needs " +
                                     std::to_string(header_.recordSize));
    records_ = &records;
    if (autoIncrement) header_.autoIncrement = *autoIncrement;
}

void TableRewrite::SetBlobFile(const fs::path& file, std::vector<std::uint8_t> image) { blob_.emplace(file, std::move(image)); }

IndexFiles TableRewrite::AddIndex(const IndexDef& def) {
    Plan();
    if (def.primary) {
        const std::vector<int> positions = ResolveFields(*original_, def.fields);
        for (std::size_t k = 0; k < positions.size(); ++k)
            if (positions[k] != static_cast<int>(k))
                Fail(PathToUtf8(path_), "primary index fields must be the table's leading fields ('" + def.fields[k] +
                                         "' is not field " + std::to_string(k + 1) + ")");
        const std::size_t keyFields = positions.size();
        if (keyFields == 0) Fail(PathToUtf8(path_), "primary index has no fields");
        for (int i : positions)
            if (IsBlobType(original_->Fields()[static_cast<std::size_t>(i)].type))
                Fail(PathToUtf8(path_), "field '" + original_->Fields()[static_cast<std::size_t>(i)].name + "' of type " +
                                         std::string(FieldTypeName(original_->Fields()[static_cast<std::size_t>(i)].type)) +
                                         " cannot be a key");
        const bool sameKey = header_.fileType == FileType::KeyedDb && header_.numKeyFields == keyFields;
        header_.fileType = FileType::KeyedDb;
        header_.numKeyFields = static_cast<std::uint16_t>(keyFields);
        const std::size_t keyLen = KeyLength(header_);
        std::vector<std::string> records = CurrentRecords();  // a copy to sort
        if (sameKey && !force_)
            if (auto note = KeptRecordOrderNote(*original_, records, keyFields)) {
                // Distinct keys in an order of the driver's own: the engine's, not to be undone.
                notes_.push_back(std::move(*note));
                primaryAdded_ = true;
                return ChooseIndexFiles(*original_, def, CurrentPlan());
            }
        const auto less = [keyLen](const std::string& a, const std::string& b) {
            return std::memcmp(a.data(), b.data(), keyLen) < 0;
        };
        bool ordered = true;
        for (std::size_t i = 1; i < records.size() && ordered; ++i) ordered = less(records[i - 1], records[i]);
        if (!sameKey || !ordered || records_) {
            // A table already keyed this way and in key order keeps its block layout
            // (and with it the .PX entries) as its writer made it.
            std::stable_sort(records.begin(), records.end(), less);
            for (std::size_t i = 1; i < records.size(); ++i)
                if (std::memcmp(records[i - 1].data(), records[i].data(), keyLen) == 0)
                    Fail(PathToUtf8(path_), "Key violation: records " + std::to_string(i) + " and " + std::to_string(i + 1) +
                                             " in key order have the same key");
            ownRecords_ = std::move(records);
            records_ = &*ownRecords_;
        }
        primaryAdded_ = true;
        return ChooseIndexFiles(*original_, def, CurrentPlan());
    }
    MakeSecondaryLayout(*original_, def);  // checks the fields before anything is planned
    IndexFiles files = ChooseIndexFiles(*original_, def, CurrentPlan());
    for (const fs::path& old : files.obsolete) obsolete_.push_back(old);
    // A single-field index named after its field (or unnamed) goes by its field's name.
    IndexDef named = def;
    if (IsFieldNamedIndex(def)) named.name = original_->Fields()[static_cast<std::size_t>(ResolveFields(*original_, def.fields)[0])].name;
    auto same = std::find_if(secondary_.begin(), secondary_.end(),
                             [&](const Planned& p) { return SameIndexName(*original_, p.def, named); });
    Planned p{def, files, true};
    if (same != secondary_.end()) *same = std::move(p);
    else secondary_.push_back(std::move(p));
    return files;
}

void TableRewrite::Stage(const fs::path& target, std::vector<std::uint8_t> image) {
    // An index file keeps the protection of the file it replaces, encrypted or plain
    // as the engine left it; a new one, or one replacing an unreadable file, takes
    // its table's.
    std::uint32_t protection = header_.encryption;
    if (Contains(companions_, target)) {
        try {
            const std::vector<std::uint8_t> predecessor = ReadHeaderPrefix(target);
            KeepPredecessorBytes(image, predecessor);
            protection = ProtectionOf(predecessor).value_or(protection);
        } catch (const EngineError&) {
            // An unreadable predecessor leaves the documented rules.
        }
    }
    if (protection) ProtectImage(image, protection);
    transaction_->Replace(target, image);
    staged_.push_back(target);
}

void TableRewrite::Commit(const std::function<void(const IndexDef&)>& built) {
    Plan();
    const bool recordsChanged = records_ != nullptr || newTable_;
    std::shared_ptr<TableFile> table = original_;
    if (blob_) {
        EncryptBlobImage(blob_->second, header_.encryption);  // whole, as a protected table's .MB is stored
        transaction_->Replace(blob_->first, blob_->second);
        staged_.push_back(blob_->first);
    }
    if (recordsChanged || header_.fileType != original_->Header().fileType ||
        header_.numKeyFields != original_->Header().numKeyFields) {
        std::vector<std::uint8_t> image = BuildTableImage(header_, CurrentRecords());
        EncryptBlocks(image, header_);  // a protected table stays protected with its own key
        transaction_->Replace(path_, image);
        table = TableFile::FromImage(std::move(image), path_, codePage_);
        staged_.push_back(path_);
    }
    const bool rebuildAll = table != original_;
    const TableHeader& th = table->Header();
    if (th.fileType == FileType::KeyedDb && th.numKeyFields > 0 && (!pxDropped_ || primaryAdded_)) {
        const IndexFiles px = ChooseIndexFiles(*table, IndexDef{{}, {}, true}, CurrentPlan());
        if (rebuildAll || primaryAdded_ || !Contains(companions_, px.x)) {
            Stage(px.x, BuildPrimaryIndex(*table, px.x));
            if (built) built(DescribePrimaryIndex(*table).def);
        }
    }
    for (const Planned& p : secondary_) {
        if (!rebuildAll && !p.rebuild) continue;
        SecondaryImages images = BuildSecondaryIndex(*table, p.def, p.files);
        if (!rebuildAll && !force_ && Contains(companions_, p.files.x))
            if (std::optional<KeptIndex> kept = KeepExistingIndex(*table, p.def, p.files, images)) {
                notes_.push_back(std::move(kept->note));
                kept_.push_back(p.files.x);
                kept_.push_back(p.files.y);
                if (kept->tree) Stage(p.files.y, std::move(*kept->tree));
                if (built) built(p.def);
                continue;
            }
        Stage(p.files.x, std::move(images.x));
        Stage(p.files.y, std::move(images.y));
        if (built) built(p.def);
    }
    for (const fs::path& gone : dropped_)
        if (!Contains(staged_, gone) && !Contains(kept_, gone)) transaction_->Remove(gone);
    for (const fs::path& gone : obsolete_)
        if (!Contains(staged_, gone) && !Contains(dropped_, gone) && !Contains(kept_, gone)) transaction_->Remove(gone);
    transaction_->Commit();
    result_ = table;
}

}  // namespace ter5::engine
