// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "design_text/designtext.h"

#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QRegion>
#include <QTextOption>
#include <qdrawutil.h>

#include <cmath>

namespace design_text {
namespace {

// The title of a frame starts this far from its left edge, with a gap of this much around it
// in the frame's line.
constexpr int titleLeft = 8;
constexpr int titleGapMargin = 2;

// How many characters from start make the longest run of whole words (up to and with a blank)
// that fits width; 0 if not even the first word does.
int wordsThatFit(const QString &text, int start, const QFontMetricsF &metrics, qreal width)
{
    int fitting = 0;
    int wordEnd = start;
    while (wordEnd < text.size()) {
        const int blank = text.indexOf(u' ', wordEnd);
        wordEnd = blank < 0 ? int(text.size()) : blank;
        if (metrics.horizontalAdvance(text.mid(start, wordEnd - start)) > width)
            break;
        wordEnd = blank < 0 ? int(text.size()) : blank + 1;
        fitting = wordEnd - start;
    }
    return fitting;
}

// The outline of every glyph of the line, from its baseline's left end: the ink it draws, exact
// to a fraction of a pixel (the font's own glyph boxes are rounded out to whole pixels).
QRectF lineInk(const QTextLine &line)
{
    QRectF ink;
    const QPointF origin(line.x(), line.y() + line.ascent());
    const QList<QGlyphRun> runs = line.glyphRuns();
    for (const QGlyphRun &run : runs) {
        const QRawFont font = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            const QRectF outline = font.pathForGlyph(glyphs[i]).boundingRect();
            if (!outline.isEmpty())
                ink |= outline.translated(positions[i] - origin);
        }
    }
    return ink;
}

} // namespace

QFont designFont()
{
    QFont font;
    font.setPixelSize(glyphPixels);
    return font;
}

TextBlock::TextBlock(const QString &text, const QFont &font, qreal width, bool wrap)
    : m_layout(text, font)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_layout.setTextOption(option);
    const QFontMetricsF metrics(font);
    m_layout.beginLayout();
    int start = 0;
    while (start < text.size()) {
        QTextLine line = m_layout.createLine();
        const int fitting = wrap ? wordsThatFit(text, start, metrics, width) : 0;
        if (!wrap)
            line.setNumColumns(int(text.size()));
        else if (fitting > 0)
            line.setNumColumns(fitting);
        else
            line.setLineWidth(width);
        start = line.textStart() + line.textLength();
    }
    m_layout.endLayout();

    for (int i = 0; i < m_layout.lineCount(); ++i) {
        const QRectF ink = lineInk(m_layout.lineAt(i));
        m_lineInk.append(ink);
        m_inkTop = std::min(m_inkTop, ink.top());
        m_inkBottom = std::max(m_inkBottom, ink.bottom());
    }
}

int TextBlock::baselineOffset() const
{
    return int(std::round((linePitch - (m_inkBottom - m_inkTop)) / 2 - m_inkTop));
}

int TextBlock::firstBaseline(int top) const
{
    return std::max(top + baselineOffset(), int(std::ceil(-m_inkTop)));
}

int TextBlock::heightNeeded() const
{
    if (lineCount() == 0)
        return 0;
    return int(std::ceil(firstBaseline(0) + (lineCount() - 1) * linePitch + m_inkBottom));
}

void TextBlock::place(const QRect &box, Qt::Alignment alignment)
{
    // Each line's ink is centred on its 13 px; the lines together go where the alignment puts
    // them, moved back inside the box if the ink of the last or the first line would stick out.
    const int blockHeight = lineCount() * linePitch;
    int top = 0;
    if (alignment & Qt::AlignVCenter)
        top = (box.height() - blockHeight) / 2;
    const qreal inkBottom = top + baselineOffset() + (lineCount() - 1) * linePitch + m_inkBottom;
    if (inkBottom > box.height())
        top -= int(std::ceil(inkBottom - box.height()));
    const int baseline = firstBaseline(top);

    m_ink = QRectF();
    for (int i = 0; i < lineCount(); ++i) {
        QTextLine line = m_layout.lineAt(i);
        const QRectF &ink = m_lineInk.at(i);
        qreal x = box.left();
        if (alignment & Qt::AlignHCenter)
            x += std::round((box.width() - ink.width()) / 2 - ink.left());
        const qreal lineBaseline = box.top() + baseline + i * linePitch;
        line.setPosition(QPointF(x, lineBaseline - line.ascent()));
        m_ink |= ink.translated(x, lineBaseline);
    }
}

void TextBlock::draw(QPainter &painter) const
{
    m_layout.draw(&painter, QPointF());
}

int Label::fittingHeight() const
{
    return std::max(height(), layOut().heightNeeded());
}

void Label::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    painter.setPen(palette().color(foregroundRole()));
    TextBlock block = layOut();
    block.place(contentsRect(), alignment());
    block.draw(painter);
}

TextBlock Label::layOut() const
{
    return TextBlock(text(), font(), contentsRect().width(), wordWrap());
}

void Frame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    TextBlock title = layOutTitle();
    const QRect gap = titleGap();

    painter.save();
    painter.setClipRegion(QRegion(rect()).subtracted(gap));
    const QPalette shades(palette().color(backgroundRole()));
    qDrawShadeRect(&painter, rect().adjusted(0, topLineY(), 0, 0), shades, true);
    painter.restore();

    painter.setPen(palette().color(foregroundRole()));
    title.place(gap.adjusted(titleGapMargin, 0, 0, 0), Qt::AlignLeft);
    title.draw(painter);
}

TextBlock Frame::layOutTitle() const
{
    return TextBlock(title(), font(), width(), false);
}

QRect Frame::titleGap() const
{
    const qreal titleWidth = QFontMetricsF(font()).horizontalAdvance(title());
    return QRect(titleLeft - titleGapMargin, 0, int(std::ceil(titleWidth)) + 2 * titleGapMargin,
                 linePitch);
}

namespace detail {

QRectF inkRect(const Label &label)
{
    TextBlock block = label.layOut();
    block.place(label.contentsRect(), label.alignment());
    return block.inkRect();
}

QRectF titleInkRect(const Frame &frame)
{
    TextBlock title = frame.layOutTitle();
    title.place(frame.titleGap().adjusted(titleGapMargin, 0, 0, 0), Qt::AlignLeft);
    return title.inkRect();
}

} // namespace detail

} // namespace design_text
