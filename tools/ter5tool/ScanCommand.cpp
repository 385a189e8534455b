// `ter5tool scan TABLE [--encoding CP]`: loads the table, decodes every field of
// every record (text converted to UTF-8, blobs read from the .MB file) and prints
// the record count. It is the whole-process measure of reading speed, so the loop
// walks the block list directly and decodes into one reused Value.

#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"
#include "engine/EngineError.h"
#include "engine/FieldCodec.h"
#include "engine/FieldType.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"
#include "engine/TableLock.h"
#include "engine/TextCodec.h"

namespace ter5::tool {
namespace {

using namespace ter5::engine;

int RunScan(const std::vector<std::string>& args) {
    std::string path;
    int codePage = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--encoding") {
            if (i + 1 >= args.size()) Fail("", "--encoding needs a code page (e.g. 1251, cp866)");
            codePage = ParseCodePage(args[++i]);
        } else if (IsOption(args[i])) {
            Fail("", "unknown option '" + args[i] + "'");
        } else if (path.empty()) {
            path = args[i];
        } else {
            Fail("", "one table only, got more than one");
        }
    }
    if (path.empty()) Fail("", "no table given (usage: scan TABLE [--encoding CP])");

    const std::filesystem::path tablePath = engine::PathFromUtf8(path);
    const TableLock lock(ResolveNoCase(tablePath).value_or(tablePath), TableLock::Mode::Shared);
    const auto table = TableFile::Load(tablePath, codePage);
    const auto& fields = table->Fields();
    const TextCodec& codec = table->Codec();
    const std::size_t recordSize = table->Header().recordSize;

    // Plain fields decode straight from the record; blob fields go through the table,
    // which reads the .MB file.
    std::vector<const FieldDesc*> plain;
    std::vector<std::size_t> blobs;
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (IsBlobType(fields[f].type))
            blobs.push_back(f);
        else
            plain.push_back(&fields[f]);
    }

    Value value;
    std::size_t records = 0;
    std::size_t nonNull = 0;  // kept so that no decode can be optimised away
    for (const auto& block : table->Blocks()) {
        const std::uint8_t* record = table->Record(block.firstRecord);
        for (std::size_t r = 0; r < block.count; ++r, record += recordSize) {
            for (const FieldDesc* f : plain) {
                DecodeFieldInto(*f, record + f->offset, codec, value);
                nonNull += !value.IsNull();
            }
            for (std::size_t f : blobs) nonNull += !table->Decode(record, f).IsNull();
        }
        records += block.count;
    }
    std::printf("%zu records\n", records);
    return 0;
}

const CommandRegistration kScan("scan", "TABLE [--encoding CP]  decode every record and field, print the record count",
                                RunScan,
                                "options:\n"
                                "  --encoding CP  read text in code page CP (866, 1251, cp866, windows-1251 ...)\n"
                                "                 instead of the one the table's header names\n");

}  // namespace
}  // namespace ter5::tool
