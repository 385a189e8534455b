#pragma once
// Small bases written record by record, and scratch directories, for the tests of
// the base layer and of the windows over it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "base/DemoBase.h"
#include "engine/FileUtil.h"
#include "engine/IndexMaintenance.h"
#include "engine/TableEditor.h"

namespace ter5::testing {

struct OwnerRow {
    int code;
    std::string family;
    double poligon;
    std::string flag = {};
    std::string address = {};
};

struct ParcelRow {
    int code;
    std::string house;
    double area = 0.0;
    std::string flag = {};
    std::string ok = {};
    std::string cadastral = {};
};

struct VertexRow {
    double ter;
    double put;
    double y;
    double x;
    double z = 0.0;
};

// Restores the process's current directory at the end (declare it after the
// ScratchDir it may point into, so that it is left before the directory goes).
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard() : saved_(std::filesystem::current_path()) {}
    ~CurrentDirectoryGuard() {
        std::error_code ec;
        std::filesystem::current_path(saved_, ec);
    }
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

private:
    std::filesystem::path saved_;
};

// A directory of its own under the system's temporary directory, removed at the end.
class ScratchDir {
public:
    ScratchDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("ter5-test-" + std::to_string(random()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
        path_ = std::filesystem::canonical(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string Str() const { return engine::PathToUtf8(path_); }
    // Creates `relative` (UTF-8, any separators) under the scratch directory.
    std::filesystem::path Make(const std::string& relative) const {
        const auto dir = path_ / engine::PathFromUtf8(relative).make_preferred();
        std::filesystem::create_directories(dir);
        return dir;
    }

private:
    std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

namespace detail {

template <typename Row, typename Fill>
void WriteRows(const std::filesystem::path& dir, const base::BaseTableDef& def, const std::string& fileName,
               const std::vector<Row>& rows, Fill fill) {
    const auto path = dir / fileName;
    engine::CreateTable(path, def.fields, def.indexes);
    if (rows.empty()) return;
    engine::TableEditor editor(path);
    for (const Row& row : rows) {
        std::string record = editor.BlankRecord();
        fill(editor, record, row);
        editor.Append(std::move(record));
    }
    editor.Save();
}

inline engine::Value TextOrNull(const std::string& text) {
    return text.empty() ? engine::Value::Null() : engine::Value::Text(text);
}

}  // namespace detail

// Writes the tables of a base into `dir`. `tables` picks which of ter.db,
// subter.db and poligon.db are written; `names` overrides their file names.
inline void WriteBase(const std::filesystem::path& dir, const std::vector<OwnerRow>& owners,
                      const std::vector<ParcelRow>& parcels, const std::vector<VertexRow>& vertices,
                      std::vector<bool> tables = {true, true, true},
                      std::vector<std::string> names = {"ter.db", "subter.db", "POLIGON.DB"}) {
    using engine::Value;
    std::filesystem::create_directories(dir);
    const auto defs = base::BaseTableDefs();
    if (tables[0])
        detail::WriteRows(dir, defs[0], names[0], owners, [](auto& e, std::string& r, const OwnerRow& o) {
            e.SetField(r, 0, Value::Int(o.code));
            e.SetField(r, 1, detail::TextOrNull(o.family));
            e.SetField(r, 2, Value::Float(o.poligon));
            e.SetField(r, 3, detail::TextOrNull(o.flag));
            e.SetField(r, 4, detail::TextOrNull(o.address));
        });
    if (tables[1])
        detail::WriteRows(dir, defs[1], names[1], parcels, [](auto& e, std::string& r, const ParcelRow& p) {
            e.SetField(r, 0, Value::Int(p.code));
            e.SetField(r, 1, detail::TextOrNull(p.flag));
            e.SetField(r, 2, detail::TextOrNull(p.ok));
            e.SetField(r, 3, detail::TextOrNull(p.house));
            e.SetField(r, 4, Value::Float(p.area));
            e.SetField(r, 5, detail::TextOrNull(p.cadastral));
        });
    if (tables[2])
        detail::WriteRows(dir, defs[2], names[2], vertices, [](auto& e, std::string& r, const VertexRow& v) {
            e.SetField(r, 1, Value::Float(v.put));
            e.SetField(r, 2, Value::Float(v.x));
            e.SetField(r, 3, Value::Float(v.y));
            e.SetField(r, 4, Value::Float(v.z));
            e.SetField(r, 5, Value::Float(v.put));
            e.SetField(r, 6, Value::Float(v.ter));
        });
}

// A square parcel `code` of side 10 m with its lower-left corner at (y, x).
inline std::vector<VertexRow> Square(double code, double y, double x) {
    return {{code, 1, y, x}, {code, 2, y + 10, x}, {code, 3, y + 10, x + 10}, {code, 4, y, x + 10}, {code, 5, y, x}};
}

// The base most tests use: three parcels; parcel 2 has three owners, parcel 3
// none; owner "Яковлев" points to a parcel that does not exist.
inline void WriteSampleBase(const std::filesystem::path& dir) {
    std::vector<VertexRow> vertices;
    for (int code : {1, 2, 3}) {
        const auto square = Square(code, code * 20.0, 100.0);
        vertices.insert(vertices.end(), square.begin(), square.end());
    }
    WriteBase(dir,
              {{10, "Петров Пётр", 1, "ю", "ул. Садовая, д. 1"},
               {11, "Борисов Борис", 2, "", "ул. Садовая, д. 3"},
               {12, "Андреев Андрей", 2},
               {13, "Васильев Василий", 2},
               {14, "Яковлев Яков", 99}},
              {{1, "ул. Садовая, д. 1", 1200.5, "ь", "ю", "50:01:0001:1"},
               {2, "ул. Садовая, д. 3", 800},
               {3, "ул. Садовая, д. 5", 640}},
              vertices);
}

}  // namespace ter5::testing
