// The search over a small base: hit lists, the first hit, find-next, the grid sync,
// the view centre and redraws, coordinates, quotes, a change of base; ter5tool search.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "../support/ProcessRun.h"
#include "../engine/ProtectionSupport.h"
#include "SearchTestSupport.h"
#include "engine/FileUtil.h"
#include "engine/Table.h"
#include "map/NumberFormat.h"
#include "search/ParseCoordinate.h"
#include "search/RecordSearch.h"

namespace ter5::search {
namespace {

using Codes = std::vector<std::int64_t>;

class RecordSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteBase(dir.path, testing::DistrictOwners(), testing::DistrictParcels());
        world.OpenBase(dir.path);
        ASSERT_TRUE(world.dm.BaseOpen());
    }

    void Find(SearchKind kind, const std::string& text) { search.Search({kind, text, "", ""}); }

    // The grids on this owner and parcel, the view centred on the parcel.
    void ExpectShown(std::int64_t owner, std::int64_t parcel) {
        EXPECT_EQ(world.OwnerCode(), owner);
        EXPECT_EQ(world.ParcelCode(), parcel);
        EXPECT_EQ(map::WorldPoint(world.view.ViewCenterY, world.view.ViewCenterX),
                  testing::ParcelCentre(static_cast<std::int32_t>(parcel)));
    }

    testing::TempDir dir;
    testing::SearchWorld world;
    RecordSearch search{world.host};
};

TEST_F(RecordSearchTest, OwnerNameListsEveryOwnerHoldingItByNameThenCodeAndStepsCyclically) {
    Find(SearchKind::OwnerName, "ова");
    EXPECT_EQ(search.QbSelect().Sql(), (std::vector<std::string>{"select ter.code, ter.family", "from ter",
                                                                 "WHERE (ter.family LIKE \"%ова%\")",
                                                                 "ORDER BY ter.family, ter.code"}));
    // Баранова, Иванова (1), Иванова (5), КОВАЛЕВ (any case), Попова, Попова Анна.
    EXPECT_EQ(search.HitCodes(), (Codes{6, 1, 5, 7, 9, 3}));
    ExpectShown(6, 50);
    EXPECT_EQ(world.draws, 1);
    const std::pair<std::int64_t, std::int64_t> walk[] = {{1, 10}, {5, 40}, {7, 60}, {9, 30}, {3, 30}, {6, 50}};
    for (const auto& [owner, parcel] : walk) {
        search.FindNext();
        ExpectShown(owner, parcel);
    }
    EXPECT_EQ(world.draws, 7);

    Find(SearchKind::OwnerAddress, "Садовая");
    EXPECT_EQ(search.HitCodes(), (Codes{6, 10, 9, 3}));
}

TEST_F(RecordSearchTest, ParcelSearchMovesTheOwnersToTheParcelsFirstOwnerByName) {
    ASSERT_TRUE(world.dm.Tbter.Locate("Code", engine::Value::Int(4)));  // Сидоров, also on parcel 20
    Find(SearchKind::ParcelAddress, "лесная, 3");
    EXPECT_TRUE(search.ParcelHits());
    EXPECT_EQ(search.HitCodes(), (Codes{20}));
    ExpectShown(2, 20);
    for (int press = 0; press < 2; ++press) {  // a single hit every time
        search.FindNext();
        ExpectShown(2, 20);
    }
    Find(SearchKind::Cadastral, "0002");
    EXPECT_EQ(search.HitCodes(), (Codes{30, 50}));
    ExpectShown(9, 30);
}

// The same base password-protected, every file of it: the grids fill, the map loads
// and the search finds and shows what it does on the plain base.
class ProtectedBaseSearchTest : public RecordSearchTest {
protected:
    void SetUp() override {
        testing::WriteBase(dir.path, testing::DistrictOwners(), testing::DistrictParcels());
        engine::testing::ProtectTables(dir.path, engine::testing::kSampleProtection);
        world.OpenBase(dir.path);
        ASSERT_TRUE(world.dm.BaseOpen());
    }
};

TEST_F(ProtectedBaseSearchTest, GridsMapAndSearchWorkAsOnThePlainBase) {
    EXPECT_EQ(world.dm.Tbter.RecordCount(), testing::DistrictOwners().size());
    EXPECT_EQ(world.objects.Polys.size(), testing::DistrictParcels().size());
    Find(SearchKind::OwnerName, "ова");
    EXPECT_EQ(search.HitCodes(), (Codes{6, 1, 5, 7, 9, 3}));
    ExpectShown(6, 50);
    Find(SearchKind::Cadastral, "0002");
    EXPECT_EQ(search.HitCodes(), (Codes{30, 50}));
    ExpectShown(9, 30);
}

// Records the owner grid's moves.
struct OwnerMoves : engine::DataSetObserver {
    void CursorMoved(engine::DataSet& owners) override { codes.push_back(owners.AsInteger("Code")); }
    Codes codes;
};

TEST_F(RecordSearchTest, TextIsTrimmedInTheQueryButLocatedAsTyped) {
    Find(SearchKind::OwnerName, "  ова ");
    EXPECT_EQ(search.HitCodes(), (Codes{6, 1, 5, 7, 9, 3}));
    // "Попова " with its blank begins only "Попова Анна" (3); the first hit is "Попова" (9).
    OwnerMoves moves;
    world.dm.Tbter.AddObserver(moves);
    Find(SearchKind::OwnerName, "Попова ");
    world.dm.Tbter.RemoveObserver(moves);
    ASSERT_GE(moves.codes.size(), 2u);
    EXPECT_EQ(Codes(moves.codes.begin(), moves.codes.begin() + 2), (Codes{3, 9}));
}

TEST_F(RecordSearchTest, DoubleQuotesMatchThemselvesWhileWildcardsStay) {
    Find(SearchKind::OwnerName, "\"Лесовод\"");
    EXPECT_EQ(search.QbSelect().Sql()[2], "WHERE (ter.family LIKE \"%\"\"Лесовод\"\"%\")");
    EXPECT_EQ(search.HitCodes(), (Codes{10}));
    Find(SearchKind::OwnerName, "\"");
    EXPECT_EQ(search.HitCodes(), (Codes{10}));
    Find(SearchKind::OwnerName, "Ив_нова%ия");
    EXPECT_EQ(search.HitCodes(), (Codes{1, 5}));
}

TEST_F(RecordSearchTest, NoHitOrNoBaseDoesNothingMore) {
    Find(SearchKind::OwnerName, "Жуков");
    EXPECT_TRUE(search.HitListOpen());
    const int draws = world.draws;
    search.FindNext();
    EXPECT_EQ(world.draws, draws);

    Find(SearchKind::OwnerName, "ова");
    world.dm.CloseBaseDataSets();
    Find(SearchKind::ParcelAddress, "Мира");
    search.FindNext();
    EXPECT_EQ(world.draws, draws + 1);
    EXPECT_EQ(search.HitCodes().size(), 6u);
}

TEST_F(RecordSearchTest, HitListHoldsNoLockAndSurvivesAChangeOfBase) {
    Find(SearchKind::OwnerName, "ова");
    world.dm.CloseBaseDataSets();
    engine::Table owners;  // reindexing takes each table exclusively
    owners.SetDatabaseName(engine::PathToUtf8(dir.path));
    owners.SetTableName("ter.db");
    owners.SetExclusive(true);
    EXPECT_NO_THROW(owners.Open());
    owners.Close();

    auto renamed = testing::DistrictOwners();
    for (auto& owner : renamed) owner.family = "Другой " + std::to_string(owner.code);
    testing::WriteBase(dir.path / "other", renamed, testing::DistrictParcels());
    world.OpenBase(dir.path / "other");
    search.FindNext();  // the second hit of the first base, found in the other one
    EXPECT_EQ(world.dm.Tbter.AsString("Family"), "Другой 1");
    EXPECT_EQ(world.ParcelCode(), 10);
}

TEST_F(RecordSearchTest, CoordinatesSetTheCentreFromTheirFieldsAndCloseTheHitList) {
    Find(SearchKind::OwnerName, "ова");
    world.view.ViewCenterY = 1.0;
    world.view.ViewCenterX = 2.0;
    const int draws = world.draws;
    search.Search({SearchKind::Coordinates, "", " 12,5 m", ""});
    EXPECT_FALSE(search.HitListOpen());
    EXPECT_EQ(world.view.ViewCenterY, 12.5);  // "X =" feeds ViewCenterY
    EXPECT_EQ(world.view.ViewCenterX, 2.0);   // an empty field keeps its coordinate
    EXPECT_EQ(world.draws, draws + 1);

    EXPECT_THROW(search.Search({SearchKind::Coordinates, "", "7", "1.2.3"}), map::InvalidNumberError);
    EXPECT_EQ(world.view.ViewCenterY, 7.0);
    EXPECT_EQ(world.view.ViewCenterX, 2.0);
    EXPECT_EQ(world.draws, draws + 1);
}

TEST(ParseCoordinateTest, KeepsDigitsSeparatorsAndALeadingMinus) {
    const std::pair<const char*, double> cases[] = {
        {"12.5", 12.5}, {"12,5", 12.5}, {" 12,5 m", 12.5}, {"1..5", 1.5},  {"a-5", -5.0},
        {"5-1", 51.0},  {",5", 0.5},    {"", 3.0},         {"abc", 3.0}, {"6000123,457", 6000123.457}};
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseCoordinate(text, 3.0), value) << text;
    EXPECT_TRUE(std::signbit(ParseCoordinate("-", 3.0)));
    EXPECT_EQ(ParseCoordinate("-", 3.0), 0.0);
    EXPECT_THROW(ParseCoordinate("1.2.3", 3.0), map::InvalidNumberError);
    EXPECT_THROW(ParseCoordinate("-,", 3.0), map::InvalidNumberError);
}

// Output of `ter5tool search` over the base in `dir`; `args` are shell words.
std::string RunSearchCommand(const std::filesystem::path& dir, const std::string& args) {
    std::string out;
    ter5::testing::RunProgram(TER5_TOOL_PATH, "search '" + engine::PathToUtf8(dir) + "' " + args, &out);
    return out;
}

TEST_F(RecordSearchTest, CommandPrintsTheHitsAsCsvInTheQueryOrder) {
    EXPECT_EQ(RunSearchCommand(dir.path, "--owner ова"),
              "Code,Family\n6,Баранова Ольга\n1,Иванова Мария\n5,Иванова Мария\n7,КОВАЛЕВ Олег\n9,Попова\n3,Попова Анна\n");
    EXPECT_EQ(RunSearchCommand(dir.path, "--cadastral '1:\"'"), "Code,IdentificationCode\n");
}

}  // namespace
}  // namespace ter5::search
