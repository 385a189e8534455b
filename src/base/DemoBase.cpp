#include "base/DemoBase.h"

#include <string>
#include <system_error>

#include "base/DemoTown.h"
#include "engine/EngineError.h"
#include "engine/IndexMaintenance.h"
#include "engine/TableEditor.h"
#include "engine/FileUtil.h"

namespace ter5::base {
namespace {

using engine::FieldType;
using engine::Value;
namespace fs = std::filesystem;

// Width of the long text fields (names, addresses) and of the cadastral number.
constexpr int kLongText = 255;
constexpr int kCadastralWidth = 30;
// A mark field holds one character.
constexpr int kMarkWidth = 1;

// Field positions, in the order BaseTableDefs() gives the fields.
enum OwnerField : std::size_t { kOwnerCode, kOwnerFamily, kOwnerParcel, kOwnerFlag, kOwnerAddress };
enum ParcelField : std::size_t { kParcelCode, kParcelFlag, kParcelOk, kParcelHouse, kParcelArea, kParcelCadastral };
enum VertexField : std::size_t { kVertexCode, kVertexNumber, kVertexX, kVertexY, kVertexZ, kVertexPut, kVertexParcel };

Value TextOrNull(const std::string& text) { return text.empty() ? Value::Null() : Value::Text(text); }

// Creates the table empty with its indexes, then appends `count` records that
// `fill(editor, record, i)` fills, in one save.
template <typename Fill>
void WriteTable(const fs::path& dir, const BaseTableDef& def, std::size_t count, Fill fill) {
    const fs::path path = dir / def.fileName;
    engine::CreateTable(path, def.fields, def.indexes);
    if (count == 0) return;
    engine::TableEditor editor(path);
    const std::string blank = editor.BlankRecord();
    for (std::size_t i = 0; i < count; ++i) {
        std::string record = blank;
        fill(editor, record, i);
        editor.Append(std::move(record));
    }
    editor.Save();
}

}  // namespace

std::vector<BaseTableDef> BaseTableDefs() {
    const engine::IndexDef byCode{"", {"Code"}, true};
    return {
        {kOwnerTableFile,
         {{"Code", FieldType::Long},
          {"Family", FieldType::Alpha, kLongText},
          {"Poligon", FieldType::Number},
          {"Flag", FieldType::Alpha, kMarkWidth},
          {"Adr_House", FieldType::Alpha, kLongText}},
         {byCode}},
        {kParcelTableFile,
         {{"Code", FieldType::Long},
          {"Flag", FieldType::Alpha, kMarkWidth},
          {"Ok", FieldType::Alpha, kMarkWidth},
          {"House", FieldType::Alpha, kLongText},
          {"Ixp1", FieldType::Number},
          {"IdentificationCode", FieldType::Alpha, kCadastralWidth}},
         {byCode}},
        {kVertexTableFile,
         {{"Code", FieldType::AutoInc},
          {"Number", FieldType::Number},
          {"X", FieldType::Number},
          {"Y", FieldType::Number},
          {"Z", FieldType::Number},
          {"PutNumber", FieldType::Number},
          {"Ter", FieldType::Number}},
         {byCode, engine::IndexDef{kVertexOrderIndex, {"Ter", "PutNumber"}, false, true}}},
    };
}

DemoSummary WriteDemoBase(const fs::path& dir, const DemoOptions& options) {
    if (options.parcels > kMaxDemoParcels)
        engine::Fail(engine::PathToUtf8(dir), "a demo base holds at most " + std::to_string(kMaxDemoParcels) + " parcels, " +
                                       std::to_string(options.parcels) + " were asked for");
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir, ec))
        engine::Fail(engine::PathToUtf8(dir), "cannot create the base directory" + (ec ? ": " + ec.message() : std::string()));

    const DemoTown town = GenerateDemoTown(options.parcels, options.seed);
    const std::vector<BaseTableDef> defs = BaseTableDefs();

    WriteTable(dir, defs[0], town.owners.size(), [&](engine::TableEditor& e, std::string& r, std::size_t i) {
        const DemoOwner& o = town.owners[i];
        e.SetField(r, kOwnerCode, Value::Int(o.code));
        e.SetField(r, kOwnerFamily, TextOrNull(o.family));
        e.SetField(r, kOwnerParcel, Value::Float(o.parcel));
        e.SetField(r, kOwnerFlag, TextOrNull(o.flag));
        e.SetField(r, kOwnerAddress, TextOrNull(o.address));
    });
    WriteTable(dir, defs[1], town.parcels.size(), [&](engine::TableEditor& e, std::string& r, std::size_t i) {
        const DemoParcel& p = town.parcels[i];
        e.SetField(r, kParcelCode, Value::Int(p.code));
        e.SetField(r, kParcelFlag, TextOrNull(p.flag));
        e.SetField(r, kParcelOk, TextOrNull(p.ok));
        e.SetField(r, kParcelHouse, TextOrNull(p.house));
        e.SetField(r, kParcelArea, Value::Float(p.area));
        e.SetField(r, kParcelCadastral, TextOrNull(p.cadastralNumber));
    });
    // The vertex Code is left NULL: appending numbers the rows 1, 2, …
    WriteTable(dir, defs[2], town.vertices.size(), [&](engine::TableEditor& e, std::string& r, std::size_t i) {
        const DemoVertex& v = town.vertices[i];
        e.SetField(r, kVertexNumber, Value::Float(v.number));
        e.SetField(r, kVertexX, Value::Float(v.x));
        e.SetField(r, kVertexY, Value::Float(v.y));
        e.SetField(r, kVertexZ, Value::Float(v.z));
        e.SetField(r, kVertexPut, Value::Float(v.putNumber));
        e.SetField(r, kVertexParcel, Value::Float(v.parcel));
    });
    return {town.parcels.size(), town.owners.size(), town.vertices.size()};
}

}  // namespace ter5::base
