// map.wmf as written for DrawMap's pictures: the placeable and metafile headers, the
// records read back, and another reader reading every file the tests write (libwmf's
// wmf2svg on Linux, the system's own metafile player on Windows).

#include "map/WmfWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "MapTestModels.h"
#include "engine/FileUtil.h"
#include "map/DrawMap.h"
#include "map/MapFile.h"

namespace ter5::map {
namespace {

namespace fs = std::filesystem;
using testing::MakeView;
using testing::ModelBuilder;

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}
std::int16_t I16(const std::vector<std::uint8_t>& b, std::size_t at) { return static_cast<std::int16_t>(U16(b, at)); }
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return U16(b, at) | (static_cast<std::uint32_t>(U16(b, at + 2)) << 16);
}

// One metafile record: its function and the offset of its parameters.
struct Record {
    std::uint16_t Function;
    std::size_t Params;
    std::size_t Words;
};

// Checks both headers and the record chain of a file image and returns its records.
std::vector<Record> ReadRecords(const std::vector<std::uint8_t>& file) {
    EXPECT_EQ(U32(file, 0), kPlaceableKey);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) checksum ^= U16(file, i);
    EXPECT_EQ(U16(file, 20), checksum);
    EXPECT_EQ(U16(file, 14), kWmfUnitsPerInch);
    EXPECT_EQ(U16(file, 22), 1);       // memory metafile
    EXPECT_EQ(U16(file, 24), 9);       // header words
    EXPECT_EQ(U16(file, 26), 0x0300);  // version
    EXPECT_EQ(U32(file, 28), (file.size() - 22) / 2);
    std::vector<Record> records;
    std::size_t at = 22 + 18;
    std::size_t largest = 0;
    while (at < file.size()) {
        const std::size_t words = U32(file, at);
        EXPECT_GE(words, 3u);
        if (words < 3) break;
        records.push_back({U16(file, at + 4), at + 6, words});
        largest = std::max(largest, words);
        at += 2 * words;
    }
    EXPECT_EQ(at, file.size());
    EXPECT_EQ(U32(file, 34), largest);
    EXPECT_FALSE(records.empty());
    if (!records.empty()) {
        EXPECT_EQ(records.back().Function, 0x0000);
    }
    return records;
}

#ifdef _WIN32
// Windows' metafile player reads the file: GDI takes its records (after the placeable
// header), enumerates as many as the file holds and plays them onto a white bitmap of
// the picture's size, where they leave marks.
void ExpectAnotherReaderReads(const fs::path& wmf) {
    const std::vector<std::uint8_t> file = engine::ReadWholeFile(wmf);
    const std::size_t records = ReadRecords(file).size();
    ASSERT_GT(file.size(), 22u);
    const HMETAFILE picture = SetMetaFileBitsEx(static_cast<UINT>(file.size() - 22), file.data() + 22);
    ASSERT_NE(picture, nullptr) << "GDI refuses " << engine::PathToUtf8(wmf);
    const int width = I16(file, 10) - I16(file, 6);
    const int height = I16(file, 12) - I16(file, 8);
    const HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::fill(pixels, pixels + width * height, 0x00FFFFFFu);

    std::size_t enumerated = 0;
    EnumMetaFile(
        dc, picture,
        [](HDC, HANDLETABLE*, METARECORD* record, int, LPARAM count) {
            if (record->rdFunction != 0) ++*reinterpret_cast<std::size_t*>(count);
            return 1;
        },
        reinterpret_cast<LPARAM>(&enumerated));
    EXPECT_EQ(enumerated, records - 1);  // all but the end record
    // As a placeable picture is shown: its window, set by the file, onto the bitmap.
    SetMapMode(dc, MM_ANISOTROPIC);
    SetViewportExtEx(dc, width, height, nullptr);
    EXPECT_TRUE(PlayMetaFile(dc, picture));
    GdiFlush();
    EXPECT_GT(std::count_if(pixels, pixels + width * height, [](std::uint32_t p) { return (p & 0xFFFFFF) != 0xFFFFFF; }),
              0)
        << "nothing drawn";
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DeleteMetaFile(picture);
}
#else
// wmf2svg, the converter of libwmf, reads the file: exits 0 and writes an SVG document.
void ExpectAnotherReaderReads(const fs::path& wmf) {
    const fs::path svg = wmf.parent_path() / (wmf.stem().string() + ".wmf2svg.svg");
    const std::string command = "wmf2svg -o '" + svg.string() + "' '" + wmf.string() + "' 2>/dev/null";
    if (std::system("command -v wmf2svg >/dev/null 2>&1") != 0) GTEST_SKIP() << "wmf2svg is not installed";
    ASSERT_EQ(std::system(command.c_str()), 0) << wmf;
    std::ifstream in(svg);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("<svg"), std::string::npos);
}
#endif

class WmfWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ter5_wmf_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // DrawMap of the model on a view of w x h pixels at 96 dpi, written as dir_/map.wmf.
    std::vector<std::uint8_t> DrawAndWrite(const TArrObjects& objects, int w, int h, double scale,
                                           const DisplayOptions& options, std::int32_t current) {
        Viewport view;
        view.SetScreen(kReferenceScreen);
        view.SetImageSize(w, h);
        view.ViewCenterY = 1000;
        view.ViewCenterX = 5000;
        view.ViewScale = scale;
        DrawMapContext context;
        context.CurrentCode = current;
        const auto picture = DrawMap(objects, view, options, context);
        EXPECT_TRUE(picture.has_value());
        const MapFileStatus status = writer_.Write(*picture, dir_);
        EXPECT_TRUE(status.Written) << status.Message;
        ExpectAnotherReaderReads(dir_ / kMapFileName);
        return engine::ReadWholeFile(dir_ / kMapFileName);
    }

    fs::path dir_;
    MapFileWriter writer_;
};

TEST_F(WmfWriterTest, HeadersObjectsAndCyrillicText) {
    const auto model = ModelBuilder().AddBox(1, "ул. Мира, уч. № 5а", 990, 4990, 10, 10).AddBox(2, "", 1000, 4990, 1, 1);
    DisplayOptions options;
    options.cbPoints = options.cbLength = options.cbNumPoints = options.cbPerimetr = true;
    const auto file = DrawAndWrite(model.Objects(), 640, 480, 200, options, 1);
    const auto records = ReadRecords(file);
    // Bounding box: the picture's size in 1/96 inch, which at 96 dpi is its pixel size.
    EXPECT_EQ(I16(file, 6), 0);
    EXPECT_EQ(I16(file, 8), 0);
    EXPECT_EQ(I16(file, 10), 640);
    EXPECT_EQ(I16(file, 12), 480);

    bool sawFont = false, sawHatch = false, sawLabel = false;
    int live = 0, maxLive = 0;
    for (const Record& r : records) {
        switch (r.Function) {
        case 0x02FB:  // CreateFontIndirect: charset and face
            sawFont = true;
            EXPECT_EQ(file[r.Params + 13], kCyrillicCharSet);
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[r.Params + 18])), "Arial Cyr");
            EXPECT_LT(I16(file, r.Params), 0);  // character height
            [[fallthrough]];
        case 0x02FA:
        case 0x02FC:
            maxLive = std::max(maxLive, ++live);
            if (r.Function == 0x02FC && U16(file, r.Params) == 2) {
                sawHatch = true;
                EXPECT_EQ(U16(file, r.Params + 6), 3);  // HS_BDIAGONAL
                EXPECT_EQ(U32(file, r.Params + 2), 0x00FFFFu);  // yellow as COLORREF
            }
            break;
        case 0x01F0: --live; break;
        case 0x0521: {  // TextOut: "5а" in Windows-1251
            const std::size_t length = U16(file, r.Params);
            const std::string text(reinterpret_cast<const char*>(&file[r.Params + 2]), length);
            if (text == "5\xE0") sawLabel = true;
            break;
        }
        default: break;
        }
    }
    EXPECT_TRUE(sawFont);
    EXPECT_TRUE(sawHatch);
    EXPECT_TRUE(sawLabel);
    EXPECT_LE(maxLive, U16(file, 32));  // NumberOfObjects covers the table
}

// A window of 1920 pixels is 508 mm, more page units than 16 bits hold, and a parcel reaching
// kilometres beyond it: the coordinates are scaled down and every one stays in range.
TEST_F(WmfWriterTest, WideWindowAndFarParcelsFitSixteenBits) {
    const auto model = ModelBuilder()
                           .AddBox(1, "№ 1", 1000, -5000, 20000, 20000)
                           .AddBox(2, "№ 2", 990, 4990, 10, 10);
    DisplayOptions options;
    options.cbLength = true;
    const auto file = DrawAndWrite(model.Objects(), 1920, 1080, 2000, options, 1);
    const auto records = ReadRecords(file);
    std::int16_t orgX = 0, extX = 0;
    for (const Record& r : records) {
        if (r.Function == 0x020B) orgX = I16(file, r.Params + 2);
        if (r.Function == 0x020C) extX = I16(file, r.Params + 2);
    }
    EXPECT_GT(extX, 0);
    // Page x 0 .. 50800 maps to orgX .. orgX + extX; the west side at the view's centre
    // (page x 25400) is the polyline's x.
    bool sawSide = false;
    for (const Record& r : records) {
        if (r.Function != 0x0325) continue;
        const int x = I16(file, r.Params + 2);
        if (std::abs(x - (orgX + extX / 2)) <= 1) sawSide = true;
    }
    EXPECT_TRUE(sawSide);
}

TEST_F(WmfWriterTest, FailureIsReportedOncePerDirectoryAndThePictureStillExists) {
    const auto model = ModelBuilder().AddBox(1, "", 990, 4990, 10, 10);
    Viewport view = MakeView(100, 100, 1000, 5000, 100);
    const auto picture = DrawMap(model.Objects(), view, {}, {});
    ASSERT_TRUE(picture.has_value());

    const fs::path missing = dir_ / "cdrom";
    MapFileStatus first = writer_.Write(*picture, missing);
    EXPECT_FALSE(first.Written);
    EXPECT_TRUE(first.Report);
    EXPECT_EQ(first.Message, "Рисунок карты не записан в файл " + engine::PathToUtf8(missing / "map.wmf"));
    EXPECT_FALSE(first.Reason.empty());
    EXPECT_FALSE(writer_.Write(*picture, missing).Report);
    EXPECT_TRUE(writer_.Write(*picture, dir_).Written);  // another directory is unaffected
    EXPECT_FALSE(writer_.Write(*picture, missing).Report);

    // Once the directory takes the file again, a later failure there is news again.
    fs::create_directories(missing);
    EXPECT_TRUE(writer_.Write(*picture, missing).Written);
    fs::remove_all(missing);
    EXPECT_TRUE(writer_.Write(*picture, missing).Report);
}

// The replacement keeps the old file's permissions (a map.wmf shared read-only with a
// group stays so) and leaves no temporary file behind.
TEST_F(WmfWriterTest, ReplacementKeepsPermissionsAndLeavesNoTemporaryFile) {
    const auto model = ModelBuilder().AddBox(1, "", 990, 4990, 10, 10);
    Viewport view = MakeView(100, 100, 1000, 5000, 100);
    const auto picture = DrawMap(model.Objects(), view, {}, {});
    ASSERT_TRUE(picture.has_value());
    ASSERT_TRUE(writer_.Write(*picture, dir_).Written);
    const fs::path file = dir_ / kMapFileName;
#ifdef _WIN32
    // Windows keeps no group permissions; what a replacement keeps there are the
    // file's attributes: a map.wmf the user hid stays hidden.
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(writer_.Write(*picture, dir_).Written);
    EXPECT_NE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
#else
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(writer_.Write(*picture, dir_).Written);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_)) ++entries;
    EXPECT_EQ(entries, 1u);
}

}  // namespace
}  // namespace ter5::map
