#include "base/DirectoryListing.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "base/PathNames.h"
#include "engine/Collation.h"

namespace fs = std::filesystem;

namespace ter5::base {

namespace {

bool IsDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// `path` in UTF-8 with the platform's separators.
std::string Native(const fs::path& path) {
    fs::path native = path;
    native.make_preferred();
    return PathToUtf8(native);
}

// An absolute, normal form of `path` without a trailing separator (the root excepted).
fs::path Cleaned(const fs::path& path) {
    fs::path clean = path.lexically_normal();
    if (!clean.has_filename() && clean.has_relative_path()) clean = clean.parent_path();
    return clean;
}

bool Readable(const fs::path& path) {
#ifdef _WIN32
    (void)path;
    return true;
#else
    return ::access(path.c_str(), R_OK | X_OK) == 0;
#endif
}

}  // namespace

bool NaturalNameLess(const std::string& a, const std::string& b) {
    const std::u32string x = engine::FoldedText(a);
    const std::u32string y = engine::FoldedText(b);
    std::size_t i = 0, j = 0;
    while (i < x.size() && j < y.size()) {
        if (IsDigit(x[i]) && IsDigit(y[j])) {
            // Runs of digits by value: without leading zeros, the longer run is larger.
            std::size_t endI = i, endJ = j;
            while (endI < x.size() && IsDigit(x[endI])) ++endI;
            while (endJ < y.size() && IsDigit(y[endJ])) ++endJ;
            std::size_t startI = i, startJ = j;
            while (startI + 1 < endI && x[startI] == U'0') ++startI;
            while (startJ + 1 < endJ && y[startJ] == U'0') ++startJ;
            if (endI - startI != endJ - startJ) return endI - startI < endJ - startJ;
            const int order = x.compare(startI, endI - startI, y, startJ, endJ - startJ);
            if (order != 0) return order < 0;
            i = endI;
            j = endJ;
            continue;
        }
        if (x[i] != y[j]) return x[i] < y[j];
        ++i;
        ++j;
    }
    if (x.size() - i != y.size() - j) return x.size() - i < y.size() - j;
    return a < b;  // equal but for case or leading zeros: a fixed order all the same
}

DirectoryListing::DirectoryListing(NameOrder order) : order_(std::move(order)) {
    std::error_code ec;
    current_ = Native(Cleaned(fs::current_path(ec)));
    Rebuild();
}

bool DirectoryListing::Enter(const std::string& path) {
    const fs::path absolute = Cleaned(PathFromUtf8(current_) / PathFromUtf8(path));
    const std::string shown = Native(absolute);
    std::error_code ec;
    if (!fs::is_directory(absolute, ec)) throw std::runtime_error("Каталог " + shown + " не найден");
    fs::current_path(absolute, ec);
    if (ec) throw std::runtime_error("Невозможно перейти в каталог " + shown + ": " + ec.message());
    const bool changed = shown != current_;
    current_ = shown;
    Rebuild();
    return changed;
}

void DirectoryListing::AddItem(std::string text, std::string path, int level, bool open) {
    items_.push_back({std::move(text), std::move(path), level, open, false});
}

void DirectoryListing::Rebuild() {
    items_.clear();
    const fs::path current = PathFromUtf8(current_);
    const fs::path root = current.root_path();  // "/" or "C:\"
    AddItem(Native(root), Native(root), 0, true);

    // The path items, one per directory from the root down to the current one.
    fs::path path = root;
    int level = 1;
    for (const fs::path& part : current.relative_path()) {
        if (part.empty()) continue;
        path /= part;
        AddItem(PathToUtf8(part), Native(path), level++, true);
    }
    currentRow_ = Count() - 1;

    // The sub-directories of the current directory, in name order; hidden ones left out.
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(current, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError)) continue;
        const std::string name = PathToUtf8(it->path().filename());
        if (name.empty() || name[0] == '.' || !Readable(it->path())) continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), order_);
    for (const std::string& name : names) AddItem(name, Native(current / PathFromUtf8(name)), level, false);
    MarkBaseDirectories();
}

std::string DirectoryListing::ItemPath(int row) const {
    return row >= 0 && row < Count() ? items_[static_cast<std::size_t>(row)].path : std::string();
}

std::string DirectoryListing::JoinedItemPath(int row) const {
    // The root, the path items and the current directory are meant to name nothing
    // when joined; joining them would hit a sub-directory that happens to share an
    // ancestor's name (a home folder "demo" over a base "demo"), so they name nothing.
    if (row < 0 || row >= Count() || items_[static_cast<std::size_t>(row)].open) return {};
    return JoinPath(current_, items_[static_cast<std::size_t>(row)].text);
}

std::string DirectoryListing::BasePath(int row) const {
    if (row == currentRow_ && row < Count()) return current_;
    return JoinedItemPath(row);
}

int DirectoryListing::FindItem(const std::string& text) const {
    const std::u32string wanted = engine::FoldedText(text);
    for (int row = 0; row < Count(); ++row) {
        if (engine::FoldedText(items_[static_cast<std::size_t>(row)].text) == wanted) return row;
    }
    return -1;
}

void DirectoryListing::MarkBaseDirectories() {
    for (int row = 0; row < Count(); ++row) {
        const std::string base = BasePath(row);
        items_[static_cast<std::size_t>(row)].baseMark = !base.empty() && IsBaseDirectory(base);
    }
}

}  // namespace ter5::base
