#pragma once
// Shared pieces of the data-set tests: a temporary directory, tables made with
// CreateTable and TableEditor, and a small base (owners, parcels, vertices) whose
// contents the tests use as worked examples.

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/DataSet.h"
#include "engine/IndexMaintenance.h"
#include "engine/TableEditor.h"
#include "engine/ValueText.h"

namespace ter5::engine::testing {

namespace fs = std::filesystem;

// A fresh directory, removed with everything in it at the end of the test; in
// `parent` when given (e.g. a memory file system for tests that write a lot).
class TempDir {
public:
    explicit TempDir(const fs::path& parent = fs::temp_directory_path()) {
        std::random_device rd;
        path_ = parent / ("ter5-ds-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& Path() const { return path_; }
    std::string Str() const { return path_.string(); }

private:
    fs::path path_;
};

// Creates `path` and fills it with `rows` (one Value per field, in field order).
inline void MakeTable(const fs::path& path, const std::vector<FieldDef>& fields, const std::vector<IndexDef>& indexes,
                      const std::vector<std::vector<Value>>& rows) {
    CreateTable(path, fields, indexes);
    TableEditor editor(path);
    for (const auto& row : rows) {
        std::string record = editor.BlankRecord();
        for (std::size_t f = 0; f < row.size(); ++f) editor.SetField(record, f, row[f]);
        editor.Append(std::move(record));
    }
    editor.Save();
}

inline Value I(std::int64_t v) { return Value::Int(v); }
inline Value N(double v) { return Value::Float(v); }
inline Value A(std::string v) { return Value::Text(std::move(v)); }
inline Value Null() { return Value::Null(); }

// The small base of the tests.
//
// subter.db, keyed on Code: parcels 1-6; 6 has no vertices, 5's address starts
// with a digit, 6's is NULL.
// ter.db, keyed on Code: owners 1-8; 2 and 7 are the same name in another case,
// 8 has no name and points to no parcel.
// poligon.db, auto-increment key, index TerPut on Ter;PutNumber; the vertices
// are stored out of boundary order.
inline void MakeBase(const fs::path& dir) {
    using T = FieldType;
    MakeTable(dir / "subter.db",
              {{"Code", T::Long}, {"Flag", T::Alpha, 1}, {"Ok", T::Alpha, 1}, {"House", T::Alpha, 255},
               {"Ixp1", T::Number}, {"IdentificationCode", T::Alpha, 30}},
              {{"", {"Code"}, true}},
              {{I(1), Null(), A("ю"), A("ул. Садовая, 5"), N(600.5), A("50:01:0000001")},
               {I(2), Null(), Null(), A("ул. Лесная, 2"), N(1200), A("50:01:0000002")},
               {I(3), A("ь"), Null(), A("ул. Ёлочная, 1"), N(300), A("50:01:0000003")},
               {I(4), Null(), Null(), A("ул. Еловая, 7"), N(450.25), A("50:02:0000004")},
               {I(5), Null(), Null(), A("8 Марта, 3"), N(99), A("50:02:0000005")},
               {I(6), Null(), Null(), Null(), Null(), Null()}});
    MakeTable(dir / "ter.db",
              {{"Code", T::Long}, {"Family", T::Alpha, 255}, {"Poligon", T::Number}, {"Flag", T::Alpha, 1},
               {"Adr_House", T::Alpha, 255}},
              {{"", {"Code"}, true}},
              {{I(1), A("Иванова Мария"), N(1), Null(), A("Москва, Тверская 1")},
               {I(2), A("петрова анна"), N(2), Null(), A("Тула")},
               {I(3), A("Сидоров Пётр"), N(3), A("ю"), A("Калуга, Садовая 5")},
               {I(4), A("Ёжиков Олег"), N(4), Null(), Null()},
               {I(5), A("Егорова Вера"), N(1), Null(), A("Москва")},
               {I(6), A("Smith John"), N(5), Null(), A("London")},
               {I(7), A("Петрова Анна"), N(2), Null(), A("Тула")},
               {I(8), Null(), N(99), Null(), Null()}});
    // Ter, PutNumber, Number, X, Y
    const double vertices[][5] = {{2, 2, 12, 200, 20}, {1, 3, 3, 110, 11}, {2, 1, 11, 100, 20}, {1, 1, 1, 100, 10},
                                  {3, 1, 21, 300, 30}, {1, 2, 2, 110, 10}, {4, 1, 31, 400, 40}, {5, 1, 41, 500, 50},
                                  {2, 3, 13, 200, 30}, {3, 2, 22, 310, 30}};
    std::vector<std::vector<Value>> rows;
    for (const auto& v : vertices) rows.push_back({Null(), N(v[2]), N(v[3]), N(v[4]), N(0), N(v[1]), N(v[0])});
    MakeTable(dir / "poligon.db",
              {{"Code", T::AutoInc}, {"Number", T::Number}, {"X", T::Number}, {"Y", T::Number}, {"Z", T::Number},
               {"PutNumber", T::Number}, {"Ter", T::Number}},
              {{"", {"Code"}, true}, {"TerPut", {"Ter", "PutNumber"}}}, rows);
}

// Every row of an open data set from the first, as "v1,v2,…" of the named fields
// in dump text; the cursor ends past the last row.
inline std::vector<std::string> Rows(DataSet& ds, const std::vector<std::string>& fields) {
    std::vector<std::string> out;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        std::string line;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i) line += ',';
            line += ds.AsString(fields[i]);
        }
        out.push_back(line);
    }
    return out;
}

}  // namespace ter5::engine::testing
