// `ter5tool render BASE -o FILE [--size WxH] [--scale M] [--center Y,X] [--current CODE]
// [--options LIST] [--separator C]`: draws the map of a base without a window, as the map
// view would show it, and writes it as .wmf or .svg (and, in a build with Qt, .png or .pdf)
// by the file's extension.
//
// The view fits all parcels unless --scale (1:M) or --center (world Y,X in metres) say
// otherwise. --options changes the display options from their start-up state: a
// comma-separated list of line, points, length, numpoints, area, perimetr, shadow, declutter
// (toggles, "no" in front turns one off), number, code (the pair) and metr1, metr2, metr3
// (the unit). As in the program, declutter (no label over another) is on at start.

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "engine/EngineError.h"
#include "map/DrawMap.h"
#include "map/MapLoader.h"
#include "map/NumberFormat.h"
#include "map/SvgWriter.h"
#include "map/TableParcelSource.h"
#include "map/WmfWriter.h"
#ifdef TER5_HAVE_MAP_WIDGETS
#include "map/widgets/PictureExport.h"
#include "engine/FileUtil.h"
#endif

namespace ter5::tool {
namespace {

using engine::Fail;
using namespace ter5::map;

// Map size when --size is not given, pixels.
constexpr int kDefaultWidth = 1280;
constexpr int kDefaultHeight = 800;
// Largest map side accepted, pixels.
constexpr int kMaxSide = 20000;

struct RenderArgs {
    std::string base;
    std::string output;
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    std::optional<double> scale;  // denominator M of 1:M
    std::optional<WorldPoint> centre;
    std::optional<std::int32_t> current;
    std::string options;
    std::optional<char> separator;
};

double ParseReal(const std::string& option, const std::string& text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) Fail("", option + " needs a number, not '" + text + "'");
    return value;
}

long long ParseWhole(const std::string& option, const std::string& text) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        Fail("", option + " needs a whole number, not '" + text + "'");
    }
    return value;
}

// Splits "a<sep>b" into its two parts.
std::pair<std::string, std::string> SplitPair(const std::string& option, const std::string& text, char sep) {
    const std::size_t at = text.find(sep);
    if (at == std::string::npos) Fail("", option + " needs two values separated by '" + std::string(1, sep) + "'");
    return {text.substr(0, at), text.substr(at + 1)};
}

RenderArgs ParseArgs(const std::vector<std::string>& args) {
    RenderArgs r;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) Fail("", a + " needs a value");
            return args[++i];
        };
        if (a == "-o" || a == "--output") {
            r.output = value();
        } else if (a == "--size") {
            const auto [w, h] = SplitPair(a, value(), 'x');
            r.width = static_cast<int>(ParseWhole(a, w));
            r.height = static_cast<int>(ParseWhole(a, h));
            if (r.width < 1 || r.height < 1 || r.width > kMaxSide || r.height > kMaxSide) {
                Fail("", "--size must be 1x1 to " + std::to_string(kMaxSide) + "x" + std::to_string(kMaxSide));
            }
        } else if (a == "--scale") {
            r.scale = ParseReal(a, value());
            if (!(*r.scale >= 1.0)) Fail("", "--scale needs a denominator of at least 1");
        } else if (a == "--center" || a == "--centre") {
            const auto [y, x] = SplitPair(a, value(), ',');
            r.centre = WorldPoint{ParseReal(a, y), ParseReal(a, x)};
        } else if (a == "--current") {
            r.current = static_cast<std::int32_t>(ParseWhole(a, value()));
        } else if (a == "--options") {
            r.options = value();
        } else if (a == "--separator") {
            const std::string& s = value();
            if (s.size() != 1) Fail("", "--separator needs one character");
            r.separator = s[0];
        } else if (IsOption(a)) {
            Fail("", "unknown option '" + a + "'");
        } else if (r.base.empty()) {
            r.base = a;
        } else {
            Fail("", "one base directory only, got more than one");
        }
    }
    if (r.base.empty() || r.output.empty()) Fail("", "usage: render BASE -o FILE [options]");
    return r;
}

// Applies an --options list to the start-up options.
void ApplyOptions(const std::string& list, DisplayOptions& options) {
    static const std::map<std::string, DisplayOption> kNames = {
        {"line", DisplayOption::Line},         {"points", DisplayOption::Points}, {"length", DisplayOption::Length},
        {"numpoints", DisplayOption::NumPoints}, {"area", DisplayOption::Area},   {"perimetr", DisplayOption::Perimetr},
        {"shadow", DisplayOption::Shadow},     {"number", DisplayOption::Number}, {"code", DisplayOption::Code},
        {"metr1", DisplayOption::Metr1},       {"metr2", DisplayOption::Metr2},   {"metr3", DisplayOption::Metr3},
        {"declutter", DisplayOption::Declutter}};
    std::size_t start = 0;
    while (start <= list.size() && !list.empty()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        std::string name = list.substr(start, end - start);
        start = end + 1;
        if (name.empty()) continue;
        const bool off = name.starts_with("no");
        if (off) name = name.substr(2);
        const auto it = kNames.find(name);
        if (it == kNames.end()) Fail("", "unknown display option '" + name + "'");
        const bool toggle = IsToggle(it->second);
        if (off && !toggle) Fail("", "'" + name + "' is one of a group and cannot be turned off");
        // A toggle clicks only when it must change; a group item becomes the checked one.
        if (!toggle || options.IsChecked(it->second) == off) options.Click(it->second);
    }
}

// The picture formats by file extension.
enum class OutputKind { Wmf, Svg, Pdf, Png };

OutputKind KindOf(const std::filesystem::path& path) {
    std::string ext = engine::PathToUtf8(path.extension());
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".wmf") return OutputKind::Wmf;
    if (ext == ".svg") return OutputKind::Svg;
#ifdef TER5_HAVE_MAP_WIDGETS
    if (ext == ".pdf") return OutputKind::Pdf;
    if (ext == ".png") return OutputKind::Png;
    Fail(engine::PathToUtf8(path), "unknown picture type; use .wmf, .svg, .png or .pdf");
#else
    Fail(engine::PathToUtf8(path), "unknown picture type; use .wmf or .svg (.png and .pdf need the Qt build)");
#endif
}

void WritePicture(const Picture& picture, const std::filesystem::path& path) {
    switch (KindOf(path)) {
    case OutputKind::Wmf: return WriteWmfFile(path, picture);
    case OutputKind::Svg: return WriteSvgFile(path, picture);
#ifdef TER5_HAVE_MAP_WIDGETS
    case OutputKind::Pdf: return WritePicturePdfFile(picture, path);
    case OutputKind::Png: return WritePictureImageFile(picture, path, true);
#else
    default: break;
#endif
    }
}

int RunRender(const std::vector<std::string>& args) {
    const RenderArgs r = ParseArgs(args);
    KindOf(engine::PathFromUtf8(r.output));  // an unknown type fails before the base is read
    if (r.separator) SetDecimalSeparator(*r.separator);
    DisplayOptions options;
    ApplyOptions(r.options, options);

    TArrObjects objects;
    TableParcelSource source(engine::PathFromUtf8(r.base));
    LoadMapObjects(objects, source, true);

    Viewport view;
    view.SetScreen(kReferenceScreen);
    view.SetImageSize(r.width, r.height);
    view.FitAll(objects);
    if (r.centre) {
        view.ViewCenterY = r.centre->Y;
        view.ViewCenterX = r.centre->X;
    }
    if (r.scale) view.ViewScale = kOneToOneScale / *r.scale;

    DrawMapContext context;
    context.CurrentCode = r.current;
    const auto picture = DrawMap(objects, view, options, context);
    if (!picture) Fail(r.base, "nothing to draw");
    WritePicture(*picture, engine::PathFromUtf8(r.output));
    std::printf("%s: %dx%d pixels, %s, %zu parcels, %zu points, %zu labels\n", r.output.c_str(), r.width, r.height,
                view.UpdateScaleStatus({}).Scale.c_str(), objects.Polys.size(), picture->Points().size(),
                picture->Texts().size());
    return 0;
}

const CommandRegistration kRender(
    "render",
    "BASE -o FILE [--size WxH] [--scale M] [--center Y,X] [OPTIONS]  draw the map as .wmf, .svg, .png or .pdf",
    RunRender,
    "The picture type follows FILE's extension. The view fits all parcels unless\n"
    "--scale or --center say otherwise.\n\n"
    "options:\n"
    "  -o, --output FILE  the picture to write (required)\n"
    "  --size WxH         picture size in pixels (default 1280x800)\n"
    "  --scale M          draw at 1:M\n"
    "  --center Y,X       centre the view on world point Y,X (metres)\n"
    "  --current CODE     mark the parcel with this code as the current one\n"
    "  --options LIST     change the display options, comma-separated: line, points,\n"
    "                     length, numpoints, area, perimetr, shadow (\"no\" in front\n"
    "                     turns one off); number or code (the parcel label);\n"
    "                     metr1, metr2 or metr3 (areas in m², ha or 1000 ha)\n"
    "  --separator C      the decimal separator of the labels\n");

}  // namespace
}  // namespace ter5::tool
