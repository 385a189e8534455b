// Bad input gives a clear error naming the base or the file, and a failed export leaves
// the target folder as it was: no partial file, no staging folder, an older file of the
// same name untouched. A replaced file keeps its permissions; sidecars of an earlier
// export that would pair up wrongly with the new files are removed.
#include <gtest/gtest.h>

#include <fstream>

#include "ExchangeTestBases.h"
#include "exchange/BaseExporter.h"

namespace fs = std::filesystem;

namespace ter5::exchange {
namespace {

using namespace ter5::exchange::testing;

class ExportFailures : public ::testing::Test {
protected:
    ExportFailures() {
        WriteExportBase(scratch_.Path() / "base");
        fs::create_directory(scratch_.Path() / "base" / "folder.gpkg");
        std::ofstream(scratch_.Path() / "base" / "crs.prj") << "GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID["
                                                              "\"WGS 84\",6378137,298.257223563]],PRIMEM[\"Greenwich\",0],"
                                                              "UNIT[\"degree\",0.0174532925199433]]";
    }

    ExportOptions Options(const std::string& file) const {
        ExportOptions options;
        options.Base = scratch_.Path() / "base";
        options.Output = scratch_.Path() / file;
        return options;
    }

    // The message of the ExportError that exporting with `options` throws.
    static std::string ErrorOf(const ExportOptions& options) {
        try {
            ExportBase(options);
        } catch (const ExportError& e) {
            return e.what();
        }
        ADD_FAILURE() << "no error for " << options.Output;
        return {};
    }

    // Entries of the scratch folder other than the base.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(scratch_.Path()))
            if (entry.path().filename() != "base") names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    ter5::testing::ScratchDir scratch_;
};

TEST_F(ExportFailures, BadInputIsNamedAndNothingIsWritten) {
    struct Case {
        std::function<void(ExportOptions&)> change;
        std::string message;  // a part of the error's message
    };
    const std::vector<Case> cases = {
        {[&](ExportOptions& o) { o.Base = scratch_.Path() / "nothing"; }, "not a base: ter.db is missing"},
        {[](ExportOptions& o) { o.Output.replace_extension(".xyz"); }, "unknown format '.xyz'"},
        {[](ExportOptions& o) { o.Output.replace_extension(""); }, "no extension to tell the format by"},
        {[](ExportOptions& o) { o.Format = "NoSuchDriver"; }, "GDAL has no driver of that name"},
        {[](ExportOptions& o) { o.Format = "GTiff"; }, "cannot write vector data"},
        {[](ExportOptions& o) { o.Crs = "EPSG:999999"; }, "unknown reference system 'EPSG:999999'"},
        // The reference system is text, never a file to read.
        {[&](ExportOptions& o) { o.Crs = (scratch_.Path() / "base" / "crs.prj").string(); }, "unknown reference system"},
        {[](ExportOptions& o) { o.Output.replace_extension(".kml"); }, "the reference system of the base's coordinates is needed"},
        {[](ExportOptions& o) { o.CurrentOnly = 5; }, "parcel 5 has no vertices"},
        {[](ExportOptions& o) { o.CurrentOnly = 77; }, "no parcel with Code 77"},
        {[&](ExportOptions& o) { o.Output = scratch_.Path() / "missing" / "out.gpkg"; }, "the folder does not exist"},
        {[&](ExportOptions& o) { o.Output = scratch_.Path() / "base" / "folder.gpkg"; }, "is a folder"},
        // Beside the tables, "subter.*" would pass for a file of subter.db.
        {[&](ExportOptions& o) { o.Output = scratch_.Path() / "base" / "SUBTER.gpkg"; }, "named like the base's table subter.db"},
        // GPX has no polygons: the driver refuses the parcels after the file was begun.
        {[](ExportOptions& o) { o.Output.replace_extension(".gpx"); o.Format = "GPX"; }, "parcels"},
    };
    for (const Case& c : cases) {
        ExportOptions options = Options("out.gpkg");
        c.change(options);
        EXPECT_NE(ErrorOf(options).find(c.message), std::string::npos) << ErrorOf(options);
        EXPECT_TRUE(Leftovers().empty()) << c.message << ": " << ::testing::PrintToString(Leftovers());
    }
}

TEST_F(ExportFailures, ABaseWithoutVerticesExportsOnlyItsOwners) {
    ter5::testing::WriteBase(scratch_.Path() / "empty", {{1, "Петров Пётр", 1}}, {{1, "уч. №1"}}, {});
    ExportOptions options = Options("out.gpkg");
    options.Base = scratch_.Path() / "empty";
    EXPECT_NE(ErrorOf(options).find("the base has no parcel vertices"), std::string::npos);
    options.Layers = {ExportLayer::Owners};
    const ExportSummary summary = ExportBase(options);
    ASSERT_EQ(summary.Layers.size(), 1u);
    EXPECT_EQ(summary.Layers[0].Features, 1u);
}

TEST_F(ExportFailures, AFailedExportLeavesTheOlderFileAsItWas) {
    const fs::path target = scratch_.Path() / "out.gpx";
    { std::ofstream(target) << "older"; }
    ExportOptions options = Options("out.gpx");
    options.Format = "GPX";
    ErrorOf(options);
    std::ifstream in(target);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "older");
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"out.gpx"}));
}

TEST_F(ExportFailures, ReplacingKeepsPermissionsAndDropsStaleSidecars) {
    const fs::path target = scratch_.Path() / "out.shp";
    { std::ofstream(target) << "older"; }
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // An older export with a reference system; this one has none, so its .prj must go.
    { std::ofstream(scratch_.Path() / "out.prj") << "PROJCS[]"; }
    { std::ofstream(scratch_.Path() / "out_vertices.prj") << "PROJCS[]"; }
    { std::ofstream(scratch_.Path() / "other.prj") << "PROJCS[]"; }
    const ExportSummary summary = ExportBase(Options("out.shp"));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_FALSE(fs::exists(scratch_.Path() / "out.prj"));
    EXPECT_FALSE(fs::exists(scratch_.Path() / "out_vertices.prj"));
    EXPECT_TRUE(fs::exists(scratch_.Path() / "other.prj"));
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"other.prj", "out.cpg", "out.dbf", "out.shp", "out.shx",
                                                     "out_owners.cpg", "out_owners.dbf", "out_vertices.cpg",
                                                     "out_vertices.dbf", "out_vertices.shp", "out_vertices.shx"}));
    ASSERT_FALSE(summary.Notes.empty());
    EXPECT_NE(summary.Notes[0].find("no reference system given"), std::string::npos);
}

TEST_F(ExportFailures, OnlyTheCurrentParcel) {
    ExportOptions options = Options("one.geojson");
    options.CurrentOnly = 1;
    options.Layers = {ExportLayer::Parcels, ExportLayer::Vertices, ExportLayer::Owners};
    const ExportSummary summary = ExportBase(options);
    ASSERT_EQ(summary.Layers.size(), 3u);
    EXPECT_EQ(summary.Layers[0].Features, 1u);
    EXPECT_EQ(summary.Layers[1].Features, 10u);
    EXPECT_EQ(summary.Layers[2].Features, 2u);
}

}  // namespace
}  // namespace ter5::exchange
