// Demo base: the written tables read back through the engine and hold a district
// the program can browse: linked owners, closed rings, the indexes it opens by.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "../support/ProcessRun.h"
#include "base/DemoBase.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/IndexCatalog.h"
#include "engine/IndexMaintenance.h"
#include "engine/TableFile.h"

namespace {

namespace fs = std::filesystem;
using namespace ter5::base;
using namespace ter5::engine;

class TempDir {
public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("ter5_demo_") + info->test_suite_name() + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        path_ = fs::temp_directory_path() / name;
        fs::remove_all(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// Runs ter5tool with `args` (shell words) and returns its exit code.
int RunTool(const std::string& args) { return ter5::testing::RunProgram(TER5_TOOL_PATH, args); }

std::string Text(const TableFile& t, std::size_t i, const char* field) { return t.Get(i, t.RequireField(field)).text; }
double Number(const TableFile& t, std::size_t i, const char* field) {
    const Value v = t.Get(i, t.RequireField(field));
    return v.kind == Value::Kind::Float ? v.number : static_cast<double>(v.integer);
}

struct DemoCase {
    std::size_t parcels;
    std::uint64_t seed;
    bool variety;  // large enough to hold every kind of parcel
};

class DemoBaseCase : public ::testing::TestWithParam<DemoCase> {};

TEST_P(DemoBaseCase, WritesAConsistentDistrict) {
    const DemoCase c = GetParam();
    TempDir dir;
    const DemoSummary summary = WriteDemoBase(dir.Path(), {c.parcels, c.seed});
    // Names are found whatever their case, as the program looks them up.
    const auto owners = TableFile::Load(dir.Path() / "TER.DB");
    const auto parcels = TableFile::Load(dir.Path() / "subter.db");
    const auto vertices = TableFile::Load(dir.Path() / "poligon.db");
    ASSERT_EQ(parcels->RecordCount(), c.parcels);
    EXPECT_EQ(summary.parcels, c.parcels);
    EXPECT_EQ(owners->RecordCount(), summary.owners);
    EXPECT_EQ(vertices->RecordCount(), summary.vertices);
    if (c.parcels == 0) {
        EXPECT_EQ(summary.owners + summary.vertices, 0u);
        return;
    }

    const std::regex cadastral(R"(\d\d:\d\d:\d{7}:\d+)");
    std::map<std::int64_t, double> storedArea;
    for (std::size_t i = 0; i < parcels->RecordCount(); ++i) {
        const auto code = static_cast<std::int64_t>(Number(*parcels, i, "Code"));
        EXPECT_EQ(code, static_cast<std::int64_t>(i) + 1);
        storedArea[code] = Number(*parcels, i, "Ixp1");
        const std::string number = Text(*parcels, i, "IdentificationCode");
        EXPECT_TRUE(number.empty() || std::regex_match(number, cadastral)) << number;
        EXPECT_NE(Text(*parcels, i, "House").find(", уч. №"), std::string::npos);
        EXPECT_TRUE(std::set<std::string>({"", "ю"}).count(Text(*parcels, i, "Ok")));
        EXPECT_TRUE(std::set<std::string>({"", "ь"}).count(Text(*parcels, i, "Flag")));
    }
    std::map<std::int64_t, int> ownerCount;
    for (std::size_t i = 0; i < owners->RecordCount(); ++i) {
        const auto parcel = static_cast<std::int64_t>(Number(*owners, i, "Poligon"));
        EXPECT_TRUE(storedArea.count(parcel)) << "owner " << i + 1 << " names parcel " << parcel;
        ++ownerCount[parcel];
        const std::string family = Text(*owners, i, "Family");
        EXPECT_EQ(std::count(family.begin(), family.end(), ' '), 2) << family;
    }

    // Vertices grouped by parcel in record order, which is the order they were given.
    using Point = std::pair<double, double>;  // (Y, X)
    std::map<std::int64_t, std::vector<Point>> outlines;
    for (std::size_t i = 0; i < vertices->RecordCount(); ++i) {
        EXPECT_EQ(Number(*vertices, i, "Code"), static_cast<double>(i + 1));
        auto& outline = outlines[static_cast<std::int64_t>(Number(*vertices, i, "Ter"))];
        EXPECT_EQ(Number(*vertices, i, "PutNumber"), static_cast<double>(outline.size() + 1));
        outline.push_back({Number(*vertices, i, "Y"), Number(*vertices, i, "X")});
        EXPECT_NEAR(outline.back().second, 5'400'000, 100'000);
        EXPECT_NEAR(outline.back().first, 1'300'000, 100'000);
    }
    int holes = 0, multiRing = 0;
    std::map<std::pair<Point, Point>, std::int64_t> edges;  // directed edge → parcel
    for (const auto& [code, points] : outlines) {
        ASSERT_TRUE(storedArea.count(code)) << "vertices of missing parcel " << code;
        // Rings as the map builds them: closed by the first later vertex equal to the first.
        std::vector<double> ringAreas;
        std::size_t start = 0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (i - start < 2 || points[i] != points[start]) continue;
            double twice = 0;
            for (std::size_t k = start; k < i; ++k) {
                const Point& o = points[start];
                twice += (points[k].first - o.first) * (points[k + 1].second - o.second) -
                         (points[k + 1].first - o.first) * (points[k].second - o.second);
                edges[{points[k], points[k + 1]}] = code;
            }
            EXPECT_GE(i - start, 3u) << "parcel " << code;
            ringAreas.push_back(twice / 2);
            start = i + 1;
        }
        EXPECT_EQ(start, points.size()) << "parcel " << code << " ends in an open ring";
        double sum = 0;
        int outer = 0, inner = 0;
        for (double a : ringAreas) {
            sum += a;
            (a < 0 ? outer : inner) += 1;  // outlines run clockwise, holes the other way
        }
        EXPECT_GE(outer, 1) << "parcel " << code;
        EXPECT_NEAR(storedArea[code], std::abs(sum), 0.5 + 1e-6) << "parcel " << code;
        holes += inner > 0;
        multiRing += outer > 1;
    }
    int sharedEdges = 0;
    for (const auto& [edge, code] : edges) {
        auto other = edges.find({edge.second, edge.first});
        if (other != edges.end() && other->second != code) ++sharedEdges;
    }
    int withoutOwners = 0, severalOwners = 0;
    for (const auto& [code, area] : storedArea) {
        withoutOwners += ownerCount[code] == 0;
        severalOwners += ownerCount[code] > 1;
    }
    if (c.variety) {
        EXPECT_GT(holes, 0);
        EXPECT_GT(multiRing, 0);
        EXPECT_GT(c.parcels - outlines.size(), 0u) << "no parcel without vertices";
        EXPECT_GT(sharedEdges, static_cast<int>(c.parcels));
        EXPECT_GT(withoutOwners, 0);
        EXPECT_GT(severalOwners, 0);
    }
}

TEST_P(DemoBaseCase, CarriesTheIndexesTheProgramOpensBy) {
    const DemoCase c = GetParam();
    TempDir dir;
    WriteDemoBase(dir.Path(), {c.parcels, c.seed});
    for (const char* name : {kOwnerTableFile, kParcelTableFile, kVertexTableFile}) {
        const auto table = TableFile::Load(dir.Path() / name);
        const std::vector<IndexInfo> indexes = DiscoverIndexes(*table);
        ASSERT_FALSE(indexes.empty()) << name;
        EXPECT_TRUE(indexes[0].def.primary) << name;
        EXPECT_EQ(indexes[0].def.fields, std::vector<std::string>{"Code"}) << name;
        if (std::string(name) != kVertexTableFile) {
            EXPECT_EQ(indexes.size(), 1u) << name;
            continue;
        }
        ASSERT_EQ(indexes.size(), 2u);
        EXPECT_EQ(indexes[1].def.name, "TerPut");
        EXPECT_EQ(indexes[1].def.fields, (std::vector<std::string>{"Ter", "PutNumber"}));
        EXPECT_TRUE(indexes[1].def.caseInsensitive);
        EXPECT_TRUE(indexes[1].maintained);
    }
    EXPECT_EQ(RunTool("verify \"" + PathToUtf8(dir.Path()) + "\""), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DemoBaseCase,
                         ::testing::Values(DemoCase{0, 1, false}, DemoCase{1, 9, false}, DemoCase{37, 2, false},
                                           DemoCase{700, 5, true}, DemoCase{700, 6, true}),
                         [](const auto& info) {
                             return std::to_string(info.param.parcels) + "_parcels_seed_" +
                                    std::to_string(info.param.seed);
                         });

std::vector<std::uint8_t> Bytes(const fs::path& dir, const char* name) { return ReadWholeFile(dir / name); }

TEST(DemoBase, SameSeedGivesTheSameFiles) {
    TempDir dir;
    const fs::path a = dir.Path() / "a", b = dir.Path() / "b", other = dir.Path() / "other";
    WriteDemoBase(a, {120, 77});
    WriteDemoBase(b, {120, 77});
    WriteDemoBase(other, {120, 78});
    for (const char* name : {kOwnerTableFile, kParcelTableFile, kVertexTableFile, "POLIGON.XG0"}) {
        EXPECT_EQ(Bytes(a, name), Bytes(b, name)) << name;
        EXPECT_NE(Bytes(a, name), Bytes(other, name)) << name;
    }
}

TEST(DemoBase, BadRequestsNameTheDirectory) {
    TempDir dir;
    auto expectError = [](const fs::path& where, std::size_t parcels, const std::string& problem) {
        try {
            WriteDemoBase(where, {parcels, 1});
            ADD_FAILURE() << "no error for " << where;
        } catch (const EngineError& e) {
            EXPECT_NE(std::string(e.what()).find(PathToUtf8(where)), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(problem), std::string::npos) << e.what();
        }
    };
    expectError(dir.Path() / "big", kMaxDemoParcels + 1, "at most");
    fs::create_directories(dir.Path());
    std::ofstream(dir.Path() / "file") << "not a directory";
    expectError(dir.Path() / "file", 5, "cannot create");
}

TEST(DemoBase, ReplacesAnOldVertexTableWrittenInAnotherCase) {
    TempDir dir;
    fs::create_directories(dir.Path());
    CreateTable(dir.Path() / "poligon.db", {{"Code", FieldType::Long, 0}}, {{"", {"Code"}, true}});
    WriteDemoBase(dir.Path(), {3, 1});
    int vertexFiles = 0;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        vertexFiles += EqualsNoCase(entry.path().filename().string(), "poligon.db") ||
                       EqualsNoCase(entry.path().filename().string(), "poligon.px");
    EXPECT_EQ(vertexFiles, 2);
    EXPECT_EQ(TableFile::Load(dir.Path() / kVertexTableFile)->Fields().size(), 7u);
}

TEST(DemoBase, CommandWritesAndKeepsExistingBases) {
    TempDir dir;
    const std::string quoted = "\"" + PathToUtf8(dir.Path()) + "\"";
    EXPECT_EQ(RunTool("demo " + quoted + " --parcels 12 --seed 4"), 0);
    EXPECT_EQ(TableFile::Load(dir.Path() / kParcelTableFile)->RecordCount(), 12u);
    EXPECT_EQ(RunTool("demo " + quoted + " --parcels 3"), 2) << "overwrote a base without --replace";
    EXPECT_EQ(TableFile::Load(dir.Path() / kParcelTableFile)->RecordCount(), 12u);
    EXPECT_EQ(RunTool("demo " + quoted + " --parcels 3 --replace"), 0);
    EXPECT_EQ(TableFile::Load(dir.Path() / kParcelTableFile)->RecordCount(), 3u);
    EXPECT_EQ(RunTool("demo " + quoted + " --parcels many --replace"), 2);
    EXPECT_EQ(RunTool("demo " + quoted + " --colour red"), 2);
    EXPECT_EQ(RunTool("demo"), 2);
}

}  // namespace
