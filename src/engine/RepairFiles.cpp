#include "RepairFiles.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "BlobFile.h"
#include "BlockCipher.h"
#include "ByteIo.h"
#include "EngineError.h"
#include "FileProtection.h"
#include "FileTransaction.h"
#include "FileUtil.h"
#include "IndexBuilder.h"
#include "IndexOrderGuard.h"
#include "PlatformFiles.h"
#include "TableRewrite.h"
#include "TableWriter.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// A header size is a 16-bit value: no index header is longer.
constexpr std::size_t kMaxHeaderBytes = 0xFFFF;
// Extensions of the files that describe a table and stay with it through a repair.
constexpr const char* kDescriptionExtensions[] = {"VAL", "TV", "TVF", "FAM"};

std::string UpperExtension(const fs::path& file) {
    std::string e = PathToUtf8(file.extension());
    if (!e.empty()) e.erase(0, 1);
    for (char& c : e) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return e;
}

bool IsIndexExtension(const std::string& e) {
    if (e == "PX") return true;
    if (e.size() != 3 || (e[0] != 'X' && e[0] != 'Y')) return false;
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    return e[1] == 'G' ? std::isalnum(static_cast<unsigned char>(e[2])) != 0 : hex(e[1]) && hex(e[2]);
}

bool Same(const fs::path& a, const fs::path& b) { return EqualsNoCase(PathToUtf8(a.filename()), PathToUtf8(b.filename())); }

bool Listed(const std::vector<fs::path>& list, const fs::path& p) {
    return std::any_of(list.begin(), list.end(), [&](const fs::path& q) { return Same(p, q); });
}

// The leading bytes of an existing file (its header), empty when it is missing.
std::vector<std::uint8_t> OldHeader(const fs::path& file) {
    try {
        return FindFileNoCase(file.parent_path(), PathToUtf8(file.filename())) ? ReadFilePrefix(file, kMaxHeaderBytes)
                                                                                : std::vector<std::uint8_t>{};
    } catch (const EngineError&) {
        return {};
    }
}

// The plan new index files are named by: the readable indexes keep their files.
IndexPlan PlanOf(const TableFile& table, const std::vector<IndexInfo>& readable, const std::vector<fs::path>& chosen) {
    IndexPlan plan;
    plan.secondary = readable;
    const fs::path dir = table.Path().parent_path();
    plan.existing = [dir](const std::string& name) { return FindFileNoCase(dir, name); };
    plan.taken = [&readable, &chosen](const std::string& name) {
        for (const IndexInfo& info : readable)
            for (const fs::path& f : info.files)
                if (EqualsNoCase(PathToUtf8(f.filename()), name)) return true;
        return std::any_of(chosen.begin(), chosen.end(), [&](const fs::path& f) { return EqualsNoCase(PathToUtf8(f.filename()), name); });
    };
    return plan;
}

// Links `from` into `folder`, or copies it there durably where the file system
// cannot link or the file stays in use (a link would follow its changes).
void BackUp(const fs::path& from, const fs::path& folder, bool copy) {
    const fs::path to = folder / from.filename();
    std::error_code ec;
    if (!copy) {
        fs::create_hard_link(from, to, ec);
        if (!ec) return;
    }
    const std::vector<std::uint8_t> bytes = ReadWholeFile(from);
    WriteNewFile(to, bytes.data(), bytes.size(), ReadAttributes(from), PathToUtf8(to));
}

}  // namespace

bool StaysInPlace(const fs::path& file) {
    const std::string e = UpperExtension(file);
    return std::any_of(std::begin(kDescriptionExtensions), std::end(kDescriptionExtensions), [&](const char* d) { return e == d; });
}

std::vector<fs::path> TableFamilyFiles(const fs::path& table) {
    std::vector<fs::path> files;
    const std::string stem = PathToUtf8(table.stem());
    for (const fs::path& p : ListCompanions(table.parent_path(), stem)) {
        const std::string name = PathToUtf8(p.filename());
        if (!EqualsNoCase(PathToUtf8(p.stem()), stem) || IsEngineWorkFile(name)) continue;
        const std::string e = UpperExtension(p);
        if (e == "DB" || e == "MB" || IsIndexExtension(e) || StaysInPlace(p)) files.push_back(p);
    }
    return files;
}

RepairInstall::RepairInstall(const fs::path& table, fs::path backupFolder, std::uint32_t protection)
    : table_(table), folder_(std::move(backupFolder)), transaction_(std::make_unique<FileTransaction>(table)),
      protection_(protection) {
    std::error_code ec;
    if (fs::exists(folder_, ec) && !fs::is_empty(folder_, ec))
        Fail(PathToUtf8(folder_), "the backup folder holds files already; nothing was changed");
}

RepairInstall::~RepairInstall() {
    transaction_.reset();  // removes its temporary files unless it committed
    if (committed_) return;
    std::error_code ec;
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) fs::remove(*it, ec);  // files, then the folders made
}

void RepairInstall::Stage(const fs::path& target, const std::vector<std::uint8_t>& image) {
    transaction_->Replace(target, image);
    staged_.push_back(target);
}

void RepairInstall::Commit() {
    const std::vector<fs::path> old = TableFamilyFiles(table_);
    std::error_code ec;
    for (fs::path dir = folder_; !dir.empty() && !fs::exists(dir, ec); dir = dir.parent_path()) made_.insert(made_.begin(), dir);
    fs::create_directories(folder_, ec);
    if (ec) Fail(PathToUtf8(folder_), "cannot make the backup folder: " + ec.message() + "; nothing was changed");
    for (const fs::path& file : old) {
        made_.push_back(folder_ / file.filename());
        BackUp(file, folder_, StaysInPlace(file) || Listed(unchanged_, file));
    }
    for (SideTable& side : sideTables_) {
        if (protection_) ProtectImage(side.db, protection_);
        EncryptBlobImage(side.mb, protection_);
        made_.push_back(folder_ / PathFromUtf8(side.fileName));
        WriteFileAtomic(made_.back(), side.db);
        if (side.mb.empty()) continue;
        made_.push_back(folder_ / PathFromUtf8(PathToUtf8(PathFromUtf8(side.fileName).stem()) + ".MB"));
        WriteFileAtomic(made_.back(), side.mb);
    }
    SyncDirectory(folder_);
    for (const fs::path& file : old)
        if (!Listed(staged_, file) && !Listed(unchanged_, file) && !StaysInPlace(file)) transaction_->Remove(file);
    try {
        transaction_->Commit();
    } catch (...) {
        // A write that committed is completed at the next use of the table: its backup stays.
        committed_ = HasInterruptedWrite(table_);
        throw;
    }
    committed_ = true;
}

void BuildIndexFiles(std::shared_ptr<const TableFile> repaired, const RecordSource* staged, const std::vector<IndexDef>& defs,
                     const std::vector<IndexInfo>& readable, RepairInstall& install, std::vector<std::string>& notes) {
    std::vector<fs::path> chosen;
    const TableHeader& h = repaired->Header();
    const auto stage = [&install](const fs::path& target, std::vector<std::uint8_t> image) {
        const std::vector<std::uint8_t> old = OldHeader(target);
        KeepPredecessorBytes(image, old);
        std::uint32_t protection = install.Protection();
        try {
            if (!old.empty()) protection = ParseHeader(old.data(), old.size(), PathToUtf8(target)).encryption;
        } catch (const EngineError&) {
            // An unreadable predecessor: the table's word.
        }
        if (protection) ProtectImage(image, protection);
        install.Stage(target, image);
    };
    if (h.fileType == FileType::KeyedDb && h.numKeyFields > 0) {
        const IndexFiles px = ChooseIndexFiles(*repaired, IndexDef{{}, {}, true}, PlanOf(*repaired, readable, chosen));
        stage(px.x, BuildPrimaryIndex(*repaired, px.x));
        chosen.push_back(px.x);
    }
    if (defs.empty()) return;
    // The secondary indexes need the header only, and the records as `staged` gives them.
    std::shared_ptr<const TableFile> table = repaired;
    if (staged) {
        TableHeader empty = h;
        table = TableFile::FromImage(BuildTableImage(empty, {}), repaired->Path(), repaired->Codec().CodePage());
        repaired.reset();
    }
    const RecordSource records = staged ? *staged : RecordsOf(*table);
    for (const IndexDef& def : defs) {
        const IndexFiles files = ChooseIndexFiles(*table, def, PlanOf(*table, readable, chosen));
        SecondaryImages images = BuildSecondaryIndex(*table, def, files, &records);
        chosen.push_back(files.x);
        chosen.push_back(files.y);
        if (std::optional<KeptIndex> kept = KeepExistingIndex(*table, def, files, images)) {
            notes.push_back(std::move(kept->note));
            install.Keep(files.x);
            if (kept->tree) stage(files.y, std::move(*kept->tree));
            else install.Keep(files.y);
            continue;
        }
        stage(files.x, std::move(images.x));
        stage(files.y, std::move(images.y));
    }
}

RecordSource StagedRecords(const fs::path& file, const TableHeader& h) {
    RecordSource source;
    source.count = h.numRecords;
    source.walk = [file, headerSize = std::size_t{h.headerSize}, blockSize = h.BlockSize(), recordSize = std::size_t{h.recordSize},
                   blocks = h.fileBlocks, protection = h.encryption](const RecordSource::Visitor& visit) {
        std::ifstream in(file, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(headerSize));
        std::vector<std::uint8_t> block(blockSize);
        const BlockCipher cipher(protection);
        for (std::uint32_t n = 1; n <= blocks; ++n) {
            if (!in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(blockSize)))
                Fail(PathToUtf8(file), "the repaired table cannot be read back from its temporary file");
            if (protection) cipher.DecryptBlock(block.data(), blockSize, n);
            const auto fill = static_cast<std::int16_t>(ReadU16(block.data() + format::kBlockAddDataSize));
            const std::size_t count = fill < 0 ? 0 : static_cast<std::size_t>(fill) / recordSize + 1;
            for (std::size_t pos = 0; pos < count; ++pos)
                visit(block.data() + format::kBlockHeaderSize + pos * recordSize, static_cast<std::uint16_t>(n), pos);
        }
    };
    return source;
}

}  // namespace ter5::engine
