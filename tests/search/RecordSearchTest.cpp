// The search over small bases: hit lists, the first hit, find-next, the grid sync,
// the view centre and redraws, coordinates, quotes, a change of base.

#include <gtest/gtest.h>

#include <cmath>

#include "SearchTestSupport.h"
#include "engine/Table.h"
#include "map/NumberFormat.h"
#include "search/ParseCoordinate.h"
#include "search/RecordSearch.h"

namespace ter5::search {
namespace {

using testing::SearchWorld;
using testing::TempDir;

class RecordSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteBase(dir.Path(), testing::DistrictOwners(), testing::DistrictParcels());
        world.OpenBase(dir.Path());
        ASSERT_TRUE(world.dm.BaseOpen());
    }

    void Find(SearchKind kind, const std::string& text) { search.Search({kind, text, "", ""}); }

    // The owner and parcel the grids show, and the view centred on that parcel.
    void ExpectShown(std::int64_t owner, std::int64_t parcel) {
        EXPECT_EQ(world.OwnerCode(), owner);
        EXPECT_EQ(world.ParcelCode(), parcel);
        EXPECT_EQ(world.ViewCentre(), testing::ParcelCentre(static_cast<std::int32_t>(parcel)));
    }

    TempDir dir;
    SearchWorld world;
    RecordSearch search{world.host};
};

TEST_F(RecordSearchTest, OwnerNameListsEveryOwnerHoldingItByNameThenCodeAndStepsCyclically) {
    Find(SearchKind::OwnerName, "ова");
    ASSERT_TRUE(search.HitListOpen());
    EXPECT_FALSE(search.ParcelHits());
    // Баранова, Иванова (1), Иванова (5), КОВАЛЕВ (any case), Попова, Попова Анна.
    EXPECT_EQ(search.HitCodes(), (std::vector<std::int64_t>{6, 1, 5, 7, 9, 3}));
    ExpectShown(6, 50);
    EXPECT_EQ(world.draws, 1);
    EXPECT_EQ(search.CurrentHit(), 2u);

    const std::pair<std::int64_t, std::int64_t> walk[] = {{1, 10}, {5, 40}, {7, 60}, {9, 30}, {3, 30}, {6, 50}};
    for (const auto& [owner, parcel] : walk) {
        search.FindNext();
        ExpectShown(owner, parcel);
    }
    EXPECT_EQ(world.draws, 7);
}

TEST_F(RecordSearchTest, ParcelAddressMovesTheOwnersToTheParcelsFirstOwnerByName) {
    ASSERT_TRUE(world.dm.Tbter.Locate("Code", engine::Value::Int(4)));  // Сидоров, also on parcel 20
    Find(SearchKind::ParcelAddress, "лесная, 3");
    EXPECT_TRUE(search.ParcelHits());
    EXPECT_EQ(search.HitCodes(), (std::vector<std::int64_t>{20}));
    ExpectShown(2, 20);
    for (int press = 0; press < 3; ++press) {  // a single hit every time
        search.FindNext();
        ExpectShown(2, 20);
        EXPECT_EQ(search.CurrentHit(), 1u);
    }

    Find(SearchKind::Cadastral, "0002");
    EXPECT_EQ(search.HitCodes(), (std::vector<std::int64_t>{30, 50}));
    ExpectShown(9, 30);  // Попова before Попова Анна
}

TEST_F(RecordSearchTest, OwnerAddressSearchOrdersByNameAndListsAddresses) {
    Find(SearchKind::OwnerAddress, "Садовая");
    EXPECT_EQ(search.HitCodes(), (std::vector<std::int64_t>{6, 10, 9, 3}));
    EXPECT_EQ(search.QbSelect().Sql()[0], "select ter.code, ter.family, ter.adr_house");
}

// Records the owner grid's moves.
class OwnerMoves : public engine::DataSetObserver {
public:
    void CursorMoved(engine::DataSet& owners) override { codes.push_back(owners.AsInteger("Code")); }
    std::vector<std::int64_t> codes;
};

TEST_F(RecordSearchTest, TextIsTrimmedInTheQueryButLocatedAsTyped) {
    Find(SearchKind::OwnerName, "  ова ");
    EXPECT_EQ(search.HitCodes(), (std::vector<std::int64_t>{6, 1, 5, 7, 9, 3}));
    EXPECT_EQ(search.QbSelect().Sql()[2], "WHERE (ter.family LIKE \"%ова%\")");

    // "Попова " with its blank begins only "Попова Анна" (3); the first hit is "Попова" (9).
    OwnerMoves moves;
    world.dm.Tbter.AddObserver(moves);
    Find(SearchKind::OwnerName, "Попова ");
    world.dm.Tbter.RemoveObserver(moves);
    ASSERT_GE(moves.codes.size(), 2u);
    EXPECT_EQ(moves.codes[0], 3);
    EXPECT_EQ(moves.codes[1], 9);
    EXPECT_EQ(world.OwnerCode(), 9);
}

TEST_F(RecordSearchTest, DoubleQuotesMatchThemselvesWhileWildcardsStay) {
    Find(SearchKind::OwnerName, "\"Лесовод\"");
    EXPECT_EQ(search.QbSelect().Sql()[2], "WHERE (ter.family LIKE \"%\"\"Лесовод\"\"%\")");
    EXPECT_EQ(search.HitCodes(), (std::vector<std::int64_t>{10}));
    Find(SearchKind::OwnerName, "\"");
    EXPECT_EQ(search.HitCodes(), (std::vector<std::int64_t>{10}));
    Find(SearchKind::OwnerName, "Ив_нова%ия");
    EXPECT_EQ(search.HitCodes(), (std::vector<std::int64_t>{1, 5}));
}

TEST_F(RecordSearchTest, NoHitLeavesAnOpenEmptyListAndFindNextDoesNothing) {
    Find(SearchKind::OwnerName, "Жуков");
    EXPECT_TRUE(search.HitListOpen());
    EXPECT_TRUE(search.HitCodes().empty());
    const int draws = world.draws;
    search.FindNext();
    EXPECT_EQ(world.draws, draws);
}

TEST_F(RecordSearchTest, NoBaseOpenDoesNothing) {
    Find(SearchKind::OwnerName, "ова");
    world.dm.CloseBaseDataSets();
    const int draws = world.draws;
    Find(SearchKind::ParcelAddress, "Мира");
    search.FindNext();
    EXPECT_EQ(world.draws, draws);
    EXPECT_FALSE(search.ParcelHits());
    EXPECT_EQ(search.HitCodes().size(), 6u);
}

TEST_F(RecordSearchTest, HitListHoldsNoLockAndSurvivesAChangeOfBase) {
    Find(SearchKind::OwnerName, "ова");
    world.dm.CloseBaseDataSets();
    engine::Table owners;  // reindexing takes each table exclusively
    owners.SetDatabaseName(dir.Path().string());
    owners.SetTableName("ter.db");
    owners.SetExclusive(true);
    EXPECT_NO_THROW(owners.Open());
    owners.Close();

    TempDir other;
    auto renamed = testing::DistrictOwners();
    for (auto& owner : renamed) owner.family = "Другой " + std::to_string(owner.code);
    testing::WriteBase(other.Path() / "b", renamed, testing::DistrictParcels());
    world.OpenBase(other.Path() / "b");
    search.FindNext();  // the second hit of the first base, located in the second
    EXPECT_EQ(world.OwnerName(), "Другой 1");
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
    EXPECT_EQ(ParseCoordinate("12.5", 3.0), 12.5);
    EXPECT_EQ(ParseCoordinate("12,5", 3.0), 12.5);
    EXPECT_EQ(ParseCoordinate(" 12,5 m", 3.0), 12.5);
    EXPECT_EQ(ParseCoordinate("1..5", 3.0), 1.5);
    EXPECT_EQ(ParseCoordinate("a-5", 3.0), -5.0);
    EXPECT_EQ(ParseCoordinate("5-1", 3.0), 51.0);
    EXPECT_EQ(ParseCoordinate(",5", 3.0), 0.5);
    EXPECT_EQ(ParseCoordinate("6000123,457", 3.0), 6000123.457);
    EXPECT_EQ(ParseCoordinate("", 3.0), 3.0);
    EXPECT_EQ(ParseCoordinate("abc", 3.0), 3.0);
    const double minusZero = ParseCoordinate("-", 3.0);
    EXPECT_EQ(minusZero, 0.0);
    EXPECT_TRUE(std::signbit(minusZero));
    EXPECT_THROW(ParseCoordinate("1.2.3", 3.0), map::InvalidNumberError);
    EXPECT_THROW(ParseCoordinate("-,", 3.0), map::InvalidNumberError);
}

TEST(SearchQueryTest, FourLinesPerKind) {
    EXPECT_EQ(HitQueryLines(SearchKind::OwnerName, "abc"),
              (std::vector<std::string>{"select ter.code, ter.family", "from ter", "WHERE (ter.family LIKE \"%abc%\")",
                                        "ORDER BY ter.family, ter.code"}));
    EXPECT_EQ(HitQueryLines(SearchKind::ParcelAddress, " 5 ")[2], "WHERE (subter.house LIKE \"%5%\")");
    EXPECT_EQ(HitQueryLines(SearchKind::Cadastral, "a")[3], "ORDER BY subter.IdentificationCode, subter.code");
    EXPECT_TRUE(HitQueryLines(SearchKind::Coordinates, "a").empty());
}

}  // namespace
}  // namespace ter5::search
