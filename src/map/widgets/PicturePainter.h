#pragma once
// Replays a map picture with QPainter: figures from page units to picture pixels, labels
// in an installed Cyrillic sans-serif standing in for the picture's "Arial Cyr".
//
// A district at view-all is a million points and 100,000 labels, so the work is batched:
// labels become glyph runs (glyphs and advances looked up once per character), and
// without antialiasing the outlines become lists of lines of one colour, drawn straight
// into the image when the painter paints on a plain 32-bit one. Batches are flushed so
// that the result equals a replay entry by entry: before anything that paints other than
// black, black over black being the same in either order, and lines of another colour
// (the thinned pen of an overview) keep their order with the black labels.

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QLine>
#include <QPainter>
#include <QPointF>
#include <QRawFont>
#include <QVector>

#include <array>
#include <vector>

#include "map/Picture.h"

namespace ter5::map {

class PicturePainter {
public:
    // The families tried for the picture's label face, in order.
    static QStringList SubstituteFamilies();

    // Antialiased figures and text (off by default: crisp one-pixel lines as on the
    // Windows map, and faster).
    void SetAntialiasing(bool on) { antialias_ = on; }

    // Paints the picture at the painter's origin, one picture pixel per painter unit.
    void Paint(QPainter& painter, const Picture& picture);

private:
    // Glyph index and advance of one character in the current raw font.
    struct Glyph {
        quint32 Index = 0;
        qreal Advance = 0;
    };

    void SelectFont(const PictureFont& font);
    const Glyph& GlyphOf(char32_t c);
    void QueueText(const Picture& picture, const PictureText& text);
    void FlushText(QPainter& painter);
    // Adds an outline to the batch of lines (whole pixels, no antialiasing).
    void QueueLines(QPainter& painter, const Picture& picture, const PictureOp& op);
    void FlushLines(QPainter& painter);
    void UsePenAndBrush(QPainter& painter, const Picture& picture);
    void Figure(QPainter& painter, const Picture& picture, const PictureOp& op);
    // True when drawing a figure of `kind` with the current pen and brush puts anything
    // but black on the picture.
    bool PaintsNonBlack(PictureOpKind kind) const;

    bool antialias_ = false;
    PicturePen pen_;
    PictureBrush brush_;
    PictureFont font_;
    QRawFont rawFont_;
    qreal ascent_ = 0;
    std::array<Glyph, 128> asciiGlyphs_{};  // for rawFont_, by character
    std::array<bool, 128> asciiKnown_{};
    QHash<char32_t, Glyph> glyphs_;  // for rawFont_, characters beyond ASCII
    QVector<quint32> queuedGlyphs_;
    QVector<QPointF> queuedPositions_;
    std::vector<QPointF> pointsF_;
    std::vector<QPoint> points_;
    QVector<QLine> queuedLines_;
    double queuedPenWidth_ = 1;  // pixels, of the queued lines
    PictureColour queuedColour_ = kBlack;  // of the queued lines
};

}  // namespace ter5::map
