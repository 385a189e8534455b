#pragma once
// Index files as a writer with rules of its own would leave them: the entries of an
// index put in another order, with a tree file over them, for the tests of what
// this program does with an order it cannot reproduce.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/FileUtil.h"
#include "engine/Format.h"
#include "engine/IndexBuilder.h"
#include "engine/TableFile.h"

namespace ter5::testing {

// Rewrites the one-block X file `x` of `table` so that its entry i is the entry
// `order[i]` was, and its tree file `y` over that.
inline void ReorderIndexEntries(const std::filesystem::path& table, const std::filesystem::path& x,
                                const std::filesystem::path& y, const std::vector<std::size_t>& order, int codePage) {
    std::vector<std::uint8_t> image = engine::ReadWholeFile(x);
    const auto file = engine::TableFile::FromBytes(image, engine::PathToUtf8(x.filename()), codePage);
    const std::size_t size = file->Header().recordSize;
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < file->RecordCount(); ++i)
        entries.emplace_back(reinterpret_cast<const char*>(file->Record(i)), size);
    std::uint8_t* first = image.data() + file->Header().headerSize + engine::format::kBlockHeaderSize;
    for (std::size_t i = 0; i < order.size(); ++i)
        std::copy(entries[order[i]].begin(), entries[order[i]].end(), first + i * size);
    engine::WriteFileAtomic(x, image);
    const auto t = engine::TableFile::Load(table, codePage);
    engine::WriteFileAtomic(y, engine::BuildSecondaryTree(*t, *engine::TableFile::Load(x, codePage), y));
}

}  // namespace ter5::testing
