// Every format written from the test base and read back through OGR: feature counts,
// each parcel's area and perimeter against the map model's, holes as interior rings,
// several pieces as a multipolygon, the open ring closed and flagged, attributes and
// Cyrillic text intact, the reference system as given, GIS axis order (x = Y east).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "ExchangeTestBases.h"
#include "exchange/BaseExporter.h"
#include "map/MapLoader.h"
#include "map/TableParcelSource.h"

namespace fs = std::filesystem;

namespace ter5::exchange {
namespace {

using namespace ter5::exchange::testing;

constexpr double kRelative = 1e-9;
constexpr const char* kCrs = "EPSG:28404";
// A local transverse Mercator with the test base near 54 N, 35 E.
constexpr const char* kLocalCrs =
    "+proj=tmerc +lat_0=0 +lon_0=35 +k=1 +x_0=1300000 +y_0=-600000 +ellps=krass +units=m +no_defs";

void ExpectRelative(double actual, double expected, const std::string& what) {
    EXPECT_NEAR(actual, expected, kRelative * std::max(1.0, std::fabs(expected))) << what;
}

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A written layer kept open for reading.
struct OpenLayer {
    GDALDatasetUniquePtr dataset;
    OGRLayer* layer = nullptr;
};

struct FormatCase {
    std::string name;
    std::string extension;
    bool oneFilePerLayer;
    const char* cadastralField;  // the IdentificationCode field as the format names it
    bool keepsCrs;
    friend void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }
};

// The reference system as GDAL's readers give it back: x = easting.
OGRSpatialReference Srs(const char* text) {
    OGRSpatialReference srs;
    srs.SetFromUserInput(text);
    srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

class ExportFormats : public ::testing::TestWithParam<FormatCase> {
protected:
    static void SetUpTestSuite() {
        GDALAllRegister();
        base_ = new ter5::testing::ScratchDir;
        WriteExportBase(base_->Path() / "base");
        map::TableParcelSource source(base_->Path() / "base");
        map::LoadMapObjects(model_, source, true);
    }
    static void TearDownTestSuite() {
        delete base_;
        base_ = nullptr;
    }

    ExportSummary Export(const std::string& crs = kCrs) {
        ExportOptions options;
        options.Base = base_->Path() / "base";
        options.Output = out_.Path() / ("out" + GetParam().extension);
        options.Layers = {ExportLayer::Parcels, ExportLayer::Vertices, ExportLayer::Sides, ExportLayer::Owners};
        options.Crs = crs;
        return ExportBase(options);
    }

    OpenLayer Layer(const char* name) const {
        const FormatCase& c = GetParam();
        OpenLayer open;
        const std::string file = c.oneFilePerLayer && std::string(name) != "parcels"
                                     ? std::string("out_") + name + c.extension
                                     : "out" + c.extension;
        fs::path path = out_.Path() / file;
        if (c.extension == ".shp" && std::string(name) == "owners") path.replace_extension(".dbf");
        open.dataset = OpenVector(path);
        if (!open.dataset) {
            ADD_FAILURE() << "cannot open " << path;
            return open;
        }
        open.layer = c.oneFilePerLayer ? open.dataset->GetLayer(0) : open.dataset->GetLayerByName(name);
        if (!open.layer) ADD_FAILURE() << "no layer " << name << " in " << path;
        return open;
    }

    const map::TArrPoly& Model(int code) const {
        for (const map::TArrPoly& poly : model_.Polys)
            if (poly.Code == code) return poly;
        throw std::runtime_error("no parcel " + std::to_string(code));
    }

    static ter5::testing::ScratchDir* base_;
    static map::TArrObjects model_;
    ter5::testing::ScratchDir out_;
};

ter5::testing::ScratchDir* ExportFormats::base_ = nullptr;
map::TArrObjects ExportFormats::model_;

TEST_P(ExportFormats, ParcelsAsTheModelClosesTheirRings) {
    const ExportSummary summary = Export();
    ASSERT_EQ(summary.Layers.size(), 4u);
    EXPECT_EQ(summary.Layers[0].Features, 5u);

    OpenLayer parcels = Layer("parcels");
    ASSERT_TRUE(parcels.layer);
    const auto features = Features(*parcels.layer);
    ASSERT_EQ(features.size(), 5u);  // parcel 5 has no vertices
    std::vector<int> codes;
    for (const auto& f : features) codes.push_back(f->GetFieldAsInteger("Code"));
    EXPECT_EQ(codes, (std::vector<int>{1, 2, 3, 4, 6}));  // the order of House

    for (const auto& f : features) {
        const int code = f->GetFieldAsInteger("Code");
        const map::TArrPoly& poly = Model(code);
        const std::string what = GetParam().name + " parcel " + std::to_string(code);
        ExpectRelative(f->GetFieldAsDouble("Area"), poly.Area, what + " Area");
        ExpectRelative(f->GetFieldAsDouble("Perimeter"), poly.Perimeter, what + " Perimeter");
        EXPECT_EQ(f->GetFieldAsString("House"), poly.House) << what;
        EXPECT_EQ(f->GetFieldAsString("Number"), std::to_string(code)) << what;
        const OGRGeometry* geometry = f->GetGeometryRef();
        if (code == 6) {
            EXPECT_TRUE(!geometry || geometry->IsEmpty()) << what;  // a lone vertex bounds nothing
            continue;
        }
        ASSERT_TRUE(geometry) << what;
        const double area = dynamic_cast<const OGRSurface*>(geometry)
                                ? dynamic_cast<const OGRSurface*>(geometry)->get_Area()
                                : dynamic_cast<const OGRMultiSurface*>(geometry)->get_Area();
        if (code == 4) {
            // The open triangle: closed for the polygon, its model figures only its two sides.
            EXPECT_EQ(f->GetFieldAsInteger("Unclosed"), 1) << what;
            ExpectRelative(area, 600.0, what);
            ExpectRelative(poly.Perimeter, 80.0, what);
            continue;
        }
        EXPECT_EQ(f->GetFieldAsInteger("Unclosed"), 0) << what;
        ExpectRelative(area, poly.Area, what + " geometry area");
        ExpectRelative(RingLength(geometry), poly.Perimeter, what + " geometry perimeter");
    }

    const auto& first = features[0];
    EXPECT_EQ(HoleCount(first->GetGeometryRef()), 1);
    EXPECT_EQ(first->GetFieldAsString("Owners"), std::string("Андреева Анна Сергеевна; Иванов Иван Иванович"));
    EXPECT_EQ(first->GetFieldAsString(GetParam().cadastralField), std::string("69:40:0100:1"));
    EXPECT_DOUBLE_EQ(first->GetFieldAsDouble("Ixp1"), 1200.5);
    EXPECT_EQ(first->GetFieldAsInteger("Vertices"), 10);
    EXPECT_EQ(first->GetFieldAsInteger("Rings"), 2);
    EXPECT_EQ(features[1]->GetFieldAsString("Owners"), std::string("Ёлкин Пётр"));
    const OGRGeometry* pieces = features[2]->GetGeometryRef();
    ASSERT_TRUE(pieces);
    EXPECT_EQ(wkbFlatten(pieces->getGeometryType()), wkbMultiPolygon);
    EXPECT_EQ(pieces->toMultiPolygon()->getNumGeometries(), 2);

    // GIS axes: x is the survey Y (east), y the survey X (north).
    OGREnvelope box;
    first->GetGeometryRef()->getEnvelope(&box);
    EXPECT_DOUBLE_EQ(box.MinX, kY0);
    EXPECT_DOUBLE_EQ(box.MaxX, kY0 + 40);
    EXPECT_DOUBLE_EQ(box.MinY, kX0);
    EXPECT_DOUBLE_EQ(box.MaxY, kX0 + 30);

    if (GetParam().keepsCrs) {
        const OGRSpatialReference* srs = parcels.layer->GetSpatialRef();
        ASSERT_TRUE(srs);
        const OGRSpatialReference expected = Srs(kCrs);
        EXPECT_TRUE(srs->IsSame(&expected)) << GetParam().name;
    }
}

TEST_P(ExportFormats, VerticesSidesAndOwners) {
    Export();
    OpenLayer vertices = Layer("vertices");
    ASSERT_TRUE(vertices.layer);
    const auto points = Features(*vertices.layer);
    ASSERT_EQ(points.size(), model_.PointStore.size());  // the row of no parcel is left out
    const OGRPoint* p = points[0]->GetGeometryRef()->toPoint();
    EXPECT_DOUBLE_EQ(p->getX(), kY0);
    EXPECT_DOUBLE_EQ(p->getY(), kX0);
    EXPECT_DOUBLE_EQ(p->getZ(), points[0]->GetFieldAsDouble("Z"));
    EXPECT_GT(p->getZ(), 100.0);
    EXPECT_EQ(points[0]->GetFieldAsInteger("Ter"), 1);
    EXPECT_DOUBLE_EQ(points[1]->GetFieldAsDouble("Length"), 30.0);
    EXPECT_DOUBLE_EQ(points[1]->GetFieldAsDouble("Bearing"), 90.0);
    ExpectRelative(points[1]->GetFieldAsDouble("Angle"), model_.PointStore[1].Angle, "angle");

    OpenLayer sides = Layer("sides");
    ASSERT_TRUE(sides.layer);
    // Parcel 1: 8 sides; the enclave's 4 are the hole's; parcel 3: 8; the open triangle: 2.
    const auto lines = Features(*sides.layer);
    EXPECT_EQ(lines.size(), 18u);
    std::map<int, int> perParcel;
    for (const auto& line : lines) ++perParcel[line->GetFieldAsInteger("Parcel")];
    EXPECT_EQ(perParcel, (std::map<int, int>{{1, 8}, {3, 8}, {4, 2}}));
    EXPECT_DOUBLE_EQ(lines[0]->GetFieldAsDouble("Length"), 30.0);

    OpenLayer owners = Layer("owners");
    ASSERT_TRUE(owners.layer);
    const auto rows = Features(*owners.layer);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0]->GetFieldAsString("Family"), std::string("Андреева Анна Сергеевна"));  // by name
    EXPECT_EQ(rows[0]->GetFieldAsDouble("Poligon"), 1.0);
    EXPECT_EQ(rows[3]->GetFieldAsString("Family"), std::string("Щукина Юлия"));
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportFormats,
                         ::testing::Values(FormatCase{"GeoPackage", ".gpkg", false, "IdentificationCode", true},
                                           FormatCase{"Shapefile", ".shp", true, "IdentCode", true},
                                           FormatCase{"GeoJSON", ".geojson", true, "IdentificationCode", true},
                                           FormatCase{"CSV", ".csv", true, "IdentificationCode", false}),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

class ExportOtherFormats : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GDALAllRegister(); }
    ExportOtherFormats() { WriteExportBase(scratch_.Path() / "base"); }

    ExportSummary Export(const std::string& file, const std::string& crs) {
        ExportOptions options;
        options.Base = scratch_.Path() / "base";
        options.Output = scratch_.Path() / file;
        options.Layers = {ExportLayer::Parcels, ExportLayer::Vertices, ExportLayer::Sides, ExportLayer::Owners};
        options.Crs = crs;
        return ExportBase(options);
    }

    ter5::testing::ScratchDir scratch_;
};

TEST_F(ExportOtherFormats, ShapefileSaysUtf8AndKeepsTheReferenceSystemInItsPrj) {
    Export("участки.shp", kLocalCrs);
    EXPECT_EQ(FileText(scratch_.Path() / "участки.cpg"), "UTF-8");
    EXPECT_TRUE(fs::exists(scratch_.Path() / "участки.prj"));
    EXPECT_TRUE(fs::exists(scratch_.Path() / "участки_owners.dbf"));
    EXPECT_FALSE(fs::exists(scratch_.Path() / "участки_owners.shp"));
    const auto dataset = OpenVector(scratch_.Path() / "участки.shp");
    ASSERT_TRUE(dataset);
    // The .prj is ESRI's WKT, which renames the datum: the same system, as PROJ sees it.
    const OGRSpatialReference* srs = dataset->GetLayer(0)->GetSpatialRef();
    ASSERT_TRUE(srs);
    char* proj = nullptr;
    srs->exportToProj4(&proj);
    EXPECT_EQ(std::string(proj), std::string(kLocalCrs));
    CPLFree(proj);
}

TEST_F(ExportOtherFormats, ShapefileCutsLongTextsAtACharacterBoundary) {
    // Twelve owners of one parcel: their names joined run past the 254 bytes of a .dbf text.
    std::vector<ter5::testing::OwnerRow> owners;
    for (int i = 0; i < 12; ++i) owners.push_back({i + 1, "Владимирова-Щербакова Ж. " + std::to_string(i), 1});
    double put = 1;
    ter5::testing::WriteBase(scratch_.Path() / "many", owners, {{1, "уч. №1"}}, Rectangle(1, put, kY0, kX0, 10, 10));
    ExportOptions options;
    options.Base = scratch_.Path() / "many";
    options.Output = scratch_.Path() / "many.shp";
    options.Layers = {ExportLayer::Parcels};
    const ExportSummary summary = ExportBase(options);
    ASSERT_EQ(summary.Notes.size(), 2u);
    EXPECT_NE(summary.Notes[1].find("1 text was longer than 254 bytes and cut"), std::string::npos) << summary.Notes[1];

    const auto dataset = OpenVector(scratch_.Path() / "many.shp");
    ASSERT_TRUE(dataset);
    const auto features = Features(*dataset->GetLayer(0));
    ASSERT_EQ(features.size(), 1u);
    const std::string text = features[0]->GetFieldAsString("Owners");
    EXPECT_LE(text.size(), 254u);
    EXPECT_GT(text.size(), 240u);
    EXPECT_TRUE(std::string("Владимирова-Щербакова Ж. 0; Владимирова").starts_with(text.substr(0, 20)));
    EXPECT_TRUE(CPLIsUTF8(text.c_str(), -1)) << text;
}

TEST_F(ExportOtherFormats, KmlInLongitudeAndLatitude) {
    const ExportSummary summary = Export("участки.kml", kLocalCrs);
    ASSERT_EQ(summary.Layers.size(), 3u);  // KML carries no plain table
    EXPECT_NE(summary.Notes[0].find("owners are left out"), std::string::npos);

    const auto dataset = OpenVector(scratch_.Path() / "участки.kml");
    ASSERT_TRUE(dataset);
    OGRLayer* parcels = dataset->GetLayerByName("parcels");
    ASSERT_TRUE(parcels);
    const auto features = Features(*parcels);
    ASSERT_EQ(features.size(), 5u);
    EXPECT_EQ(features[0]->GetFieldAsString("House"), std::string("ул. Лесная, уч. №1"));
    EXPECT_EQ(features[0]->GetFieldAsString("Number"), std::string("1"));
    EXPECT_EQ(features[0]->GetFieldAsString("Owners"), std::string("Андреева Анна Сергеевна; Иванов Иван Иванович"));

    // The south-west corner of parcel 1, carried to WGS 84 longitude and latitude.
    OGRSpatialReference local, wgs84;
    local.SetFromUserInput(kLocalCrs);
    local.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    wgs84.SetWellKnownGeogCS("WGS84");
    wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> toWgs84(OGRCreateCoordinateTransformation(&local, &wgs84));
    double lon = kY0, lat = kX0;
    ASSERT_TRUE(toWgs84->Transform(1, &lon, &lat));
    OGREnvelope box;
    features[0]->GetGeometryRef()->getEnvelope(&box);
    EXPECT_NEAR(box.MinX, lon, 1e-7);
    EXPECT_NEAR(box.MinY, lat, 1e-7);
    EXPECT_NEAR(lon, 35.0, 0.01);
    EXPECT_EQ(HoleCount(features[0]->GetGeometryRef()), 1);
    ASSERT_TRUE(dataset->GetLayerByName("vertices"));
    EXPECT_EQ(dataset->GetLayerByName("vertices")->GetFeatureCount(), 29);
}

TEST_F(ExportOtherFormats, DxfHasTheGeometryInCadLayers) {
    const ExportSummary summary = Export("участки.dxf", "");
    ASSERT_EQ(summary.Layers.size(), 3u);
    const auto dataset = OpenVector(scratch_.Path() / "участки.dxf");
    ASSERT_TRUE(dataset);
    OGRLayer* entities = dataset->GetLayer(0);
    ASSERT_TRUE(entities);
    std::map<std::string, int> perLayer;
    for (const auto& f : Features(*entities)) ++perLayer[f->GetFieldAsString("Layer")];
    EXPECT_EQ(perLayer["vertices"], 29);
    EXPECT_EQ(perLayer["sides"], 18);
    EXPECT_GT(perLayer["parcels"], 0);
}

}  // namespace
}  // namespace ter5::exchange
