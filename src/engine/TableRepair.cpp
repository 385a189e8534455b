#include "TableRepair.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

#include "BlobFile.h"
#include "BlockCipher.h"
#include "ByteIo.h"
#include "EngineError.h"
#include "FieldType.h"
#include "FileProtection.h"
#include "FileUtil.h"
#include "IndexOrderGuard.h"
#include "IndexVerify.h"
#include "LanguageDriver.h"
#include "RepairFiles.h"
#include "TableLock.h"
#include "TableWriter.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

using Outcome = TableRepairReport::Outcome;

constexpr char kBackupPrefix[] = "ter5-backup-";
// Lost blobs listed one a line in the report before a count takes over.
constexpr std::size_t kListedBlobs = 10;
// Shares of the progress: salvage, building the table, building its indexes.
constexpr double kSalvageShare = 0.5;
constexpr double kTableShare = 0.7;

// True when the table on disk reads strictly and verify finds no error in it or
// its index files: then a repair has nothing to do.
bool SoundOnDisk(const fs::path& path, int codePage) {
    try {
        const auto table = TableFile::Load(path, codePage);
        if (!table->Notes().empty() || !BlockStructureErrors(*table).empty()) return false;
        const std::vector<VerifyProblem> problems = VerifyHeldTable(*table);
        return std::all_of(problems.begin(), problems.end(), [](const VerifyProblem& p) { return p.isNote; });
    } catch (const EngineError&) {
        return false;
    }
}

// The highest auto-increment value of the records at `offsets`.
std::uint32_t HighestAutoIncrement(const TableHeader& h, const std::vector<std::uint8_t>& image,
                                   const std::vector<std::uint64_t>& offsets, std::uint32_t highest) {
    for (const FieldDesc& f : h.fields) {
        if (f.type != FieldType::AutoInc) continue;
        for (std::uint64_t offset : offsets) {
            const std::uint8_t* p = image.data() + offset + f.offset;
            if (std::all_of(p, p + 4, [](std::uint8_t b) { return b == 0; })) continue;
            const auto v = static_cast<std::int32_t>(ReadFlippedU32(p));
            if (v > 0) highest = std::max(highest, static_cast<std::uint32_t>(v));
        }
    }
    return highest;
}

// The secondary indexes to rebuild: those whose files can be read, an .Xnn that
// cannot from its name (the single-field index of field nn), and the source's for
// the rest. What is lost goes to `report`.
std::vector<IndexDef> IndexesToBuild(const TableFile& probe, const RepairStructure& s, std::vector<IndexInfo>& readable,
                                     TableRepairReport& report, bool& lost) {
    std::vector<IndexDef> defs;
    std::vector<std::string> unreadable;
    for (const IndexFileSet& set : ListIndexFiles(probe)) {
        try {
            IndexInfo info = DescribeIndex(probe, set);
            MakeSecondaryLayout(probe, info.def);
            defs.push_back(info.def);
            readable.push_back(std::move(info));
        } catch (const EngineError& e) {
            const std::string name = PathToUtf8(set.x.filename());
            const auto& fields = probe.Fields();
            if (!set.composite && set.fileNumber >= 1 && set.fileNumber <= static_cast<int>(fields.size())) {
                const std::string& field = fields[static_cast<std::size_t>(set.fileNumber - 1)].name;
                defs.push_back(IndexDef{field, {field}});
                report.notes.push_back(name + " could not be read: its index on '" + field + "' is rebuilt from the file name");
            } else {
                unreadable.push_back(name);
            }
        }
    }
    const bool useSource = !s.own || !unreadable.empty();
    std::size_t added = 0;
    for (const IndexDef& def : s.sourceIndexes) {
        if (def.primary || !useSource) continue;
        const bool known = std::any_of(defs.begin(), defs.end(), [&](const IndexDef& d) { return SameIndexName(probe, d, def); });
        if (known) continue;
        try {
            MakeSecondaryLayout(probe, def);
            defs.push_back(def);
            ++added;
            report.notes.push_back("index '" + def.name + "' is built as " + s.from + " describes it");
        } catch (const EngineError& e) {
            report.notes.push_back("index '" + def.name + "' of " + s.from + " does not fit the table: " + e.what());
        }
    }
    for (const std::string& name : unreadable) {
        report.notes.push_back(name + " could not be read" +
                               (added ? ": the source's indexes stand for it" : ": its index is lost (name a template group to rebuild it)"));
        lost = lost || added == 0;
    }
    return defs;
}

// Puts the kept records of a keyed table into key order, unless the driver's order
// is not known to this program and they are in an order of their own (the
// original engine's, as a reindex keeps it).
void KeyOrder(const TableFile& probe, const std::vector<std::uint8_t>& image, std::vector<std::uint64_t>& order,
              TableRepairReport& report) {
    const TableHeader& h = probe.Header();
    const std::size_t keySize = KeyLength(h);
    const auto less = [&](std::uint64_t a, std::uint64_t b) { return std::memcmp(image.data() + a, image.data() + b, keySize) < 0; };
    if (std::is_sorted(order.begin(), order.end(), less)) return;
    const std::vector<FieldDesc> keyFields(h.fields.begin(), h.fields.begin() + h.numKeyFields);
    if (!KeyRules(h).OrderEstablished(keyFields)) {
        std::vector<std::string_view> records;
        records.reserve(order.size());
        for (std::uint64_t o : order) records.emplace_back(reinterpret_cast<const char*>(image.data() + o), h.recordSize);
        if (auto note = KeptRecordOrderNote(probe, records, h.numKeyFields)) {
            report.notes.push_back(std::move(*note));
            return;
        }
    }
    std::stable_sort(order.begin(), order.end(), less);
}

// Decrypts the blocks of a protected table's image; a block stored plain in it
// (as programs that leave some blocks so write it) is taken as it was stored.
void Decrypt(std::vector<std::uint8_t>& image, const TableHeader& h) {
    DecryptBlocks(image, h);
    const std::size_t blockSize = h.BlockSize();
    const BlockCipher cipher(h.encryption);
    for (std::size_t at = h.headerSize, n = 1; at + blockSize <= image.size() && n <= 0xFFFF; at += blockSize, ++n)
        if (StoredPlain(image, h, static_cast<std::uint16_t>(n))) cipher.EncryptBlock(image.data() + at, blockSize, static_cast<std::uint32_t>(n));
}

void Progress(const RepairOptions& o, double from, double to, double fraction) {
    if (o.progress) o.progress(from + (to - from) * fraction);
}

// The repair of a table held by the caller.
void Repair(const fs::path& path, const RepairOptions& options, TableRepairReport& report) {
    std::vector<std::uint8_t> image = ReadWholeFile(path);
    RepairStructure s = ResolveStructure(path, image, options.structure, options.codePage);
    // A password-protected table is read decrypted and written protected again with its word.
    const std::uint32_t protection = s.header.encryption;
    if (protection) Decrypt(image, s.header);
    const auto mbPath = FindFileNoCase(path.parent_path(), PathToUtf8(path.stem()) + ".MB");
    std::vector<std::uint8_t> memo = mbPath ? ReadWholeFile(*mbPath) : std::vector<std::uint8_t>{};
    DecryptBlobImage(memo, protection);
    const BlobMap blobs(std::move(memo));
    report.headerReadable = s.own;
    report.headerRecords = s.own ? s.header.numRecords : 0;
    report.structureFrom = s.from;

    SalvageResult salvage = SalvageRecords(image, s.layout, s.header, blobs,
                                           [&](double f) { Progress(options, 0, kSalvageShare, f); });
    report.found = salvage.foundInBlocks;
    report.kept = salvage.kept.size();
    report.problems = salvage.problems.size();
    report.keyViolations = salvage.keyViolations.size();
    report.blobsLost = salvage.lostBlobs.size();
    report.damagedBlocks = salvage.damaged;
    for (std::size_t i = 0; i < salvage.lostBlobs.size() && i < kListedBlobs; ++i) {
        const LostBlob& l = salvage.lostBlobs[i];
        report.notes.push_back("blob of field '" + s.header.fields[l.field].name + "' of the record at offset " +
                               std::to_string(l.offset) + " is lost: " + l.why);
    }
    // The auto-increment counter at least every salvaged value: below one, the next
    // record added would repeat it.
    TableHeader header = s.header;
    std::vector<std::uint64_t> problems;
    for (const ProblemRecord& p : salvage.problems) problems.push_back(p.offset);
    std::uint32_t highest = s.own ? header.autoIncrement : 0;
    for (const auto* offsets : {&salvage.kept, &salvage.keyViolations, &problems})
        highest = HighestAutoIncrement(header, image, *offsets, highest);
    const bool counterBehind = highest > header.autoIncrement;
    header.autoIncrement = highest;
    if (counterBehind && s.own)
        report.notes.push_back("the auto-increment counter was below values in use; it is now " + std::to_string(highest));
    if (s.own && salvage.chainSound && !counterBehind && !blobs.HeaderDamaged() && SoundOnDisk(path, options.codePage)) {
        report.outcome = Outcome::Sound;
        return;
    }

    TableHeader probeHeader = header;
    const auto probe = TableFile::FromImage(BuildTableImage(probeHeader, {}), path, options.codePage);

    std::vector<std::uint64_t> order = std::move(salvage.kept);
    if (header.fileType == FileType::KeyedDb && header.numKeyFields > 0) KeyOrder(*probe, image, order, report);
    bool indexLost = false;
    std::vector<IndexInfo> readable;
    const std::vector<IndexDef> defs = IndexesToBuild(*probe, s, readable, report, indexLost);
    // A file that ends inside its header had records that are all lost.
    const bool cutHeader = image.size() < s.layout.headerSize;
    if (cutHeader) report.notes.push_back("the file ends inside its header: whatever records it held are lost");
    const bool losses = !salvage.problems.empty() || !salvage.keyViolations.empty() || !salvage.lostBlobs.empty() ||
                        !salvage.damaged.empty() || indexLost || cutHeader;
    report.outcome = losses ? Outcome::RepairedWithLosses : Outcome::Repaired;
    if (options.dryRun) return;

    RepairInstall install(path, options.backupFolder, protection);
    if (!salvage.keyViolations.empty()) install.AddSideTable(BuildKeyViolations(header, image, salvage.keyViolations, blobs));
    if (!salvage.problems.empty()) install.AddSideTable(BuildProblems(header, image, salvage.problems, blobs));
    // The records are packed into the damaged file's own image where they only move
    // towards its start (the usual case), so that the table is not held twice.
    const bool inPlace = s.layout.headerSize == header.headerSize && s.layout.blockSize == header.BlockSize() &&
                         std::is_sorted(order.begin(), order.end());
    const auto record = [&](std::size_t i) { return image.data() + order[i]; };
    std::vector<std::uint8_t> table;
    if (inPlace) {
        BuildTableImageInPlace(header, image, order.size(), record);
        table.swap(image);
    } else {
        table = BuildTableImage(header, order.size(), record);
        std::vector<std::uint8_t>().swap(image);  // the damaged file is no longer needed
    }
    std::vector<std::uint64_t>().swap(order);
    EncryptBlocks(table, header);  // staged as stored; the table read back decrypts it again
    install.Stage(path, table);
    std::shared_ptr<const TableFile> repaired = TableFile::FromImage(std::move(table), path, options.codePage);
    // The secondary indexes read the records back from the staged file, the table let go.
    const RecordSource staged = StagedRecords(install.StagedFile(path), repaired->Header());
    if (mbPath) {
        std::vector<std::uint8_t> memoImage = blobs.RepairedImage();
        EncryptBlobImage(memoImage, protection);
        install.Stage(*mbPath, memoImage);
    }
    Progress(options, kSalvageShare, kTableShare, 1.0);
    BuildIndexFiles(std::move(repaired), &staged, defs, readable, install, report.notes);
    Progress(options, kTableShare, 1.0, 0.9);
    install.Commit();
    report.backup = options.backupFolder;
    if (!salvage.keyViolations.empty() || !salvage.problems.empty())
        report.notes.push_back("the records not kept are in " + PathToUtf8(options.backupFolder) + " (" +
                               (salvage.keyViolations.empty() ? "" : std::string(kKeyViolationsTable) + " ") +
                               (salvage.problems.empty() ? "" : std::string(kProblemsTable)) + ")");
    Progress(options, kTableShare, 1.0, 1.0);
}

std::string TimeStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

}  // namespace

TableRepairReport RepairTable(const fs::path& path, const RepairOptions& options) {
    TableRepairReport report;
    report.table = path;
    report.dryRun = options.dryRun;
    try {
        const auto resolved = ResolveNoCase(path);
        if (!resolved) Fail(PathToUtf8(path), "table does not exist");
        report.table = *resolved;
        const TableLock lock(*resolved, options.dryRun ? TableLock::Mode::Shared : TableLock::Mode::Exclusive);
        Repair(*resolved, options, report);
    } catch (const NotRepairable& e) {
        report.outcome = Outcome::NotRepairable;
        report.error = e.what();
    } catch (const std::exception& e) {
        report.outcome = Outcome::Failed;
        report.error = e.what();
    }
    return report;
}

fs::path NewBackupFolder(const fs::path& directory) {
    const std::string base = kBackupPrefix + TimeStamp();
    std::error_code ec;
    fs::path folder = directory / PathFromUtf8(base);
    for (int n = 2; fs::exists(folder, ec); ++n) folder = directory / PathFromUtf8(base + "-" + std::to_string(n));
    return folder;
}

bool IsBackupFolderName(const std::string& name) { return name.rfind(kBackupPrefix, 0) == 0; }

}  // namespace ter5::engine
