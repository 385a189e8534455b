#include "map/WmfWriter.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/TextCodec.h"
#include "map/Rounding.h"
#include "map/TextMetrics.h"
#include "map/WmfRecords.h"

namespace ter5::map {

namespace {

using namespace wmf;

std::uint32_t ColourRef(const PictureColour& c) {
    return static_cast<std::uint32_t>(c.Red) | (static_cast<std::uint32_t>(c.Green) << 8) |
           (static_cast<std::uint32_t>(c.Blue) << 16);
}

// Windows-1251 bytes of a label; a character the code page lacks becomes '?'.
class LabelEncoder {
public:
    std::string Encode(std::string_view utf8) const {
        if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            return std::string(utf8);
        }
        try {
            return codec_.Encode(utf8);
        } catch (const engine::EngineError&) {
            return EncodeEachCharacter(utf8);
        }
    }

private:
    std::string EncodeEachCharacter(std::string_view utf8) const {
        std::string out;
        for (std::size_t pos = 0; pos < utf8.size();) {
            const std::size_t start = pos;
            NextUtf8CodePoint(utf8, pos);
            try {
                out += codec_.Encode(utf8.substr(start, pos - start));
            } catch (const engine::EngineError&) {
                out += '?';
            }
        }
        return out;
    }

    engine::TextCodec codec_{1251};
};

// Maps page units and picture pixels to 16-bit metafile coordinates: measured from the
// page's centre (y downwards) and divided by a whole factor.
class CoordinateMap {
public:
    explicit CoordinateMap(const Picture& picture)
        : centreX_(RoundToInt64Fast(picture.PageWidth() / 2.0)), centreY_(RoundToInt64Fast(picture.PageHeight() / 2.0)),
          ppx_(picture.PagePerPixelX()), ppy_(picture.PagePerPixelY()) {
        // The page's own size must fit as the window extent, every coordinate as a point.
        std::int64_t reach = std::max(RoundToInt64Fast(picture.PageWidth()), RoundToInt64Fast(picture.PageHeight()));
        for (const PicturePoint& p : picture.Points()) {
            reach = std::max({reach, std::abs(p.x - centreX_), std::abs(-static_cast<std::int64_t>(p.y) - centreY_)});
        }
        for (const PictureText& t : picture.Texts()) {
            reach = std::max({reach, std::abs(TextPageX(t.X) - centreX_), std::abs(TextPageY(t.Y) - centreY_)});
        }
        divisor_ = std::max<std::int64_t>(1, (reach + kMaxCoordinate - 1) / kMaxCoordinate);
    }

    std::int64_t Divisor() const { return divisor_; }
    // A length in page units as metafile units, at least `least`.
    std::int64_t Length(double pageUnits, std::int64_t least = 0) const {
        return std::max<std::int64_t>(least, RoundToInt64Fast(pageUnits / static_cast<double>(divisor_)));
    }
    std::int64_t X(std::int64_t pageX) const { return Scaled(pageX - centreX_); }
    std::int64_t Y(std::int64_t pageY) const { return Scaled(-pageY - centreY_); }
    // Pixel positions of labels.
    std::int64_t TextX(std::int32_t px) const { return Scaled(TextPageX(px) - centreX_); }
    std::int64_t TextY(std::int32_t py) const { return Scaled(TextPageY(py) - centreY_); }
    // The metafile coordinates of page (0, 0), the window origin.
    std::int64_t OriginX() const { return Scaled(-centreX_); }
    std::int64_t OriginY() const { return Scaled(-centreY_); }

private:
    std::int64_t TextPageX(std::int32_t px) const { return RoundToInt64Fast(px * ppx_); }
    std::int64_t TextPageY(std::int32_t py) const { return RoundToInt64Fast(py * ppy_); }  // downwards
    std::int64_t Scaled(std::int64_t v) const {
        return divisor_ == 1 ? v : RoundToInt64Fast(static_cast<double>(v) / static_cast<double>(divisor_));
    }

    std::int64_t centreX_;
    std::int64_t centreY_;
    double ppx_;
    double ppy_;
    std::int64_t divisor_ = 1;
};

// The metafile body: records for the picture's list, with GDI's object table kept in step.
class WmfEncoder {
public:
    explicit WmfEncoder(const Picture& picture) : picture_(picture), map_(picture) {}

    std::vector<std::uint8_t> Encode() {
        // Points, a text record of about a dozen words per label, a few words per other entry.
        out_.Reserve(2 * picture_.Points().size() + 12 * picture_.Texts().size() + 8 * picture_.Ops().size() + 64);
        WritePlaceableHeader();
        const std::size_t headerAt = out_.Words().size();
        for (std::size_t i = 0; i < kHeaderWords; ++i) out_.U16(0);  // filled in at the end

        Record(kMetaSetMapMode, {kMapModeAnisotropic});
        Record(kMetaSetWindowOrg, {Word(map_.OriginY()), Word(map_.OriginX())});
        Record(kMetaSetWindowExt, {Word(map_.Length(picture_.PageHeight())), Word(map_.Length(picture_.PageWidth()))});
        Record(kMetaSetBkMode, {kBkModeTransparent});
        Record(kMetaSetTextAlign, {kTextAlignCentreTop});
        Record(kMetaSetTextColor, {0, 0});  // black
        for (const PictureOp& op : picture_.Ops()) Play(op);
        out_.Begin(kMetaEof, 0);

        WriteMetaHeader(headerAt);
        return out_.TakeBytes();
    }

private:
    // Which object of each kind is selected, by object table slot.
    enum ObjectKind { kPen, kBrush, kFont, kKinds };

    static std::uint16_t Word(std::int64_t v) { return static_cast<std::uint16_t>(static_cast<std::int16_t>(v)); }

    void Record(std::uint16_t function, std::initializer_list<std::uint16_t> params) {
        out_.Begin(function, params.size());
        for (std::uint16_t p : params) out_.U16(p);
    }

    void WritePlaceableHeader() {
        const auto right = static_cast<std::uint16_t>(
            RoundToInt64Fast(picture_.PageWidth() * kWmfUnitsPerInch / kPageUnitsPerInch));
        const auto bottom = static_cast<std::uint16_t>(
            RoundToInt64Fast(picture_.PageHeight() * kWmfUnitsPerInch / kPageUnitsPerInch));
        const std::array<std::uint16_t, 10> words = {
            Low(kPlaceableKey), High(kPlaceableKey),
            0,  // metafile handle, unused in a file
            0, 0, right, bottom,  // bounding box: left, top, right, bottom
            kWmfUnitsPerInch, 0, 0};  // units per inch; reserved double word
        std::uint16_t checksum = 0;
        for (std::uint16_t w : words) {
            out_.U16(w);
            checksum ^= w;
        }
        out_.U16(checksum);
    }

    void WriteMetaHeader(std::size_t at) {
        std::vector<std::uint16_t>& words = out_.Words();
        const std::size_t size = words.size() - at;  // everything after the placeable header
        const std::size_t largest = out_.MaxRecordWords();
        const std::uint16_t fields[kHeaderWords] = {kMemoryMetafile, kHeaderWords, kMetafileVersion, Low(size),
                                                    High(size), maxSlotsUsed_, Low(largest), High(largest),
                                                    0};  // no parameters
        std::copy(std::begin(fields), std::end(fields), words.begin() + static_cast<std::ptrdiff_t>(at));
    }

    // Creates an object in the lowest free slot (as GDI does), selects it and deletes the
    // object of the same kind it replaces.
    template <typename WriteCreate>
    void Replace(ObjectKind kind, WriteCreate writeCreate) {
        std::uint16_t slot = 0;
        while (slotUsed_[slot]) ++slot;
        slotUsed_[slot] = true;
        maxSlotsUsed_ = std::max<std::uint16_t>(maxSlotsUsed_, slot + 1);
        writeCreate();
        Record(kMetaSelectObject, {slot});
        if (selected_[kind]) {
            Record(kMetaDeleteObject, {*selected_[kind]});
            slotUsed_[*selected_[kind]] = false;
        }
        selected_[kind] = slot;
    }

    void SelectPen(const PicturePen& pen) {
        Replace(kPen, [&] {
            out_.Begin(kMetaCreatePenIndirect, 5);
            out_.U16(kPenSolid);
            out_.I16(map_.Length(pen.Width, 1));  // width as a POINTS: x, then y unused
            out_.I16(0);
            out_.U32(ColourRef(pen.Colour));
        });
    }

    void SelectBrush(const PictureBrush& brush) {
        Replace(kBrush, [&] {
            out_.Begin(kMetaCreateBrushIndirect, 4);
            switch (brush.Style) {
            case BrushStyle::Solid: out_.U16(kBrushSolid); break;
            case BrushStyle::DiagonalHatch: out_.U16(kBrushHatched); break;
            case BrushStyle::Clear: out_.U16(kBrushNull); break;
            }
            out_.U32(ColourRef(brush.Colour));
            out_.U16(brush.Style == BrushStyle::DiagonalHatch ? kHatchBDiagonal : 0);
        });
    }

    void SelectFont(const PictureFont& font) {
        Replace(kFont, [&] {
            std::string face = encoder_.Encode(font.Face).substr(0, kFaceNameBytes - 1);
            face.resize(kFaceNameBytes, '\0');
            out_.Begin(kMetaCreateFontIndirect, 9 + kFaceNameBytes / 2);
            out_.I16(-map_.Length(font.PixelSize * picture_.PagePerPixelY(), 1));  // character height
            out_.I16(0);  // width: the font's own
            out_.I16(0);  // escapement
            out_.I16(0);  // orientation
            out_.I16(kFontWeightNormal);
            out_.U16(0);  // italic, underline
            out_.U16(static_cast<std::uint16_t>((font.CharSet & 0xFF) << 8));  // strike-out, charset
            out_.U16(0);  // output and clipping precision
            out_.U16(0);  // quality, pitch and family
            out_.Bytes(face);
        });
    }

    // Two corners as bottom, right, top, left (the record's order) in metafile coordinates.
    void Box(std::uint16_t function, std::span<const PicturePoint> corners) {
        const std::int64_t x1 = map_.X(corners[0].x), x2 = map_.X(corners[1].x);
        const std::int64_t y1 = map_.Y(corners[0].y), y2 = map_.Y(corners[1].y);
        Record(function, {Word(std::max(y1, y2)), Word(std::max(x1, x2)), Word(std::min(y1, y2)),
                          Word(std::min(x1, x2))});
    }

    // The points in metafile coordinates, consecutive repeats dropped.
    void MapPoints(std::span<const PicturePoint> points) {
        mapped_.clear();
        for (const PicturePoint& p : points) {
            const std::pair<std::int64_t, std::int64_t> q{map_.X(p.x), map_.Y(p.y)};
            if (mapped_.empty() || mapped_.back() != q) mapped_.push_back(q);
        }
    }

    void PolyRecord(std::uint16_t function, std::size_t first, std::size_t count) {
        out_.Begin(function, 1 + 2 * count);
        out_.U16(static_cast<std::uint16_t>(count));
        for (std::size_t i = first; i < first + count; ++i) {
            out_.I16(mapped_[i].first);
            out_.I16(mapped_[i].second);
        }
    }

    void Polyline(std::span<const PicturePoint> points) {
        MapPoints(points);
        if (mapped_.size() < 2) return;  // shrunk to a point: nothing to draw
        // Longer lines go out in pieces that share their end points.
        for (std::size_t first = 0; first + 1 < mapped_.size(); first += kMaxPoints - 1) {
            PolyRecord(kMetaPolyline, first, std::min(kMaxPoints, mapped_.size() - first));
        }
    }

    void Polygon(std::span<const PicturePoint> points) {
        MapPoints(points);
        if (mapped_.empty()) return;
        if (mapped_.size() > kMaxPoints) {
            // More corners than a record holds: keep an evenly spread subset.
            const std::size_t step = (mapped_.size() + kMaxPoints - 1) / kMaxPoints;
            std::size_t kept = 0;
            for (std::size_t i = 0; i < mapped_.size(); i += step) mapped_[kept++] = mapped_[i];
            mapped_.resize(kept);
        }
        PolyRecord(kMetaPolygon, 0, mapped_.size());
    }

    void Text(const PictureText& text) {
        std::string bytes = encoder_.Encode(picture_.TextOf(text));
        const std::size_t length = std::min<std::size_t>(bytes.size(), kMaxCoordinate);
        bytes.resize(length + (length % 2), '\0');  // padded to whole words
        out_.Begin(kMetaTextOut, 1 + bytes.size() / 2 + 2);
        out_.U16(static_cast<std::uint16_t>(length));
        out_.Bytes(bytes);
        out_.I16(map_.TextY(text.Y));
        out_.I16(map_.TextX(text.X));
    }

    void Play(const PictureOp& op) {
        switch (op.Kind) {
        case PictureOpKind::Pen: SelectPen(picture_.Pens()[op.First]); break;
        case PictureOpKind::Brush: SelectBrush(picture_.Brushes()[op.First]); break;
        case PictureOpKind::Font: SelectFont(picture_.Fonts()[op.First]); break;
        case PictureOpKind::Rectangle: Box(kMetaRectangle, picture_.PointsOf(op)); break;
        case PictureOpKind::Ellipse: Box(kMetaEllipse, picture_.PointsOf(op)); break;
        case PictureOpKind::Polygon: Polygon(picture_.PointsOf(op)); break;
        case PictureOpKind::Polyline: Polyline(picture_.PointsOf(op)); break;
        case PictureOpKind::Text: Text(picture_.Texts()[op.First]); break;
        }
    }

    const Picture& picture_;
    CoordinateMap map_;
    LabelEncoder encoder_;
    RecordWriter out_;
    std::array<bool, kObjectSlots> slotUsed_{};
    std::array<std::optional<std::uint16_t>, kKinds> selected_{};
    std::uint16_t maxSlotsUsed_ = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> mapped_;
};

}  // namespace

std::vector<std::uint8_t> EncodeWmf(const Picture& picture) { return WmfEncoder(picture).Encode(); }

void WriteWmfFile(const std::filesystem::path& path, const Picture& picture, engine::Durability durability) {
    engine::WriteFileAtomic(path, EncodeWmf(picture), durability);
}

}  // namespace ter5::map
