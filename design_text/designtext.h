// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QRectF>
#include <QTextLayout>

#include <memory>

class QPainter;

// Texts drawn as the windows' designs were laid out: in the original platform's default UI font,
// 9 pt at 96 dpi, which is 12 px glyphs on lines 13 px apart. Today's CJK fonts want 16 to 18 px
// a line at that size, which would push a second line out of every box the designs give it.
namespace design_text {

constexpr int glyphPixels = 12;
constexpr int linePitch = 13;

// The desktop's default UI font family at the designs' size, whatever size the desktop asks for:
// only the size is set, so everything else still follows the desktop.
QFont designFont();

// A text broken into lines of one width and stacked linePitch apart. Lines break at the text's
// blanks where they fit, as the original platform broke them; only a word wider than the width
// breaks where its script allows (between any two ideographs).
class TextBlock
{
public:
    TextBlock(const QString &text, const QFont &font, qreal width, bool wrap);

    int lineCount() const { return m_layout.lineCount(); }
    // The height the lines need for all their ink, from the top of the first; none for no text.
    int heightNeeded() const;
    // Where the lines go inside box: at its top or centred on it (AlignVCenter), each at its left
    // or centred (AlignHCenter), keeping the ink inside the box as far as it fits; the ink of
    // every line at that place, in the box's coordinates.
    void place(const QRect &box, Qt::Alignment alignment);
    QRectF inkRect() const { return m_ink; }
    void draw(QPainter &painter) const;

private:
    // From the top of a line to its baseline: the ink of the line centred on its pitch.
    int baselineOffset() const;
    // The first line's baseline for lines from top down, low enough that no ink is above 0.
    int firstBaseline(int top) const;

    QTextLayout m_layout;
    QList<QRectF> m_lineInk; // each line's, from the left end of its baseline
    qreal m_inkTop = 0;      // highest ink of any line, from its baseline (negative: above it)
    qreal m_inkBottom = 0;   // lowest ink of any line, from its baseline
    QRectF m_ink;
};

class Label;
class Frame;

// Where a control's text is inked as it is drawn now, in the control's coordinates: for the
// tests, which hold it against the pixels; the windows have no use for it.
namespace detail {
QRectF inkRect(const Label &label);
QRectF titleInkRect(const Frame &frame);
} // namespace detail

// A label whose text keeps the designs' line pitch. text() and what a screen reader reads stay
// the plain text.
class Label : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    // The height the text needs at the label's width: at least its design height.
    int fittingHeight() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    friend QRectF detail::inkRect(const Label &label);

    TextBlock layOut() const;
};

// A frame whose title sits on its top line and keeps the designs' line pitch, whatever the
// widget style would make of a group box. The line is an etched line in shades of the frame's own
// background, as on the original platform.
class Frame : public QGroupBox
{
    Q_OBJECT

public:
    using QGroupBox::QGroupBox;

    // The top line's rows, in the frame's coordinates.
    int topLineY() const { return linePitch / 2; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    friend QRectF detail::titleInkRect(const Frame &frame);

    TextBlock layOutTitle() const;
    QRect titleGap() const;
};

} // namespace design_text
