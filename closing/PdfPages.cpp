#include "closing/PdfPages.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

namespace {

constexpr qreal kFooter = 18;   // the footer's band at the foot of a page
constexpr qreal kCellPad = 2.5; // on either side of a cell's text
constexpr qreal kLabelWidth = 72;

QFont font(qreal points, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace

PdfPages::PdfPages(QPagedPaintDevice& device, QPainter* painter, const QString& footer, int pages)
    : m_device(device), m_painter(painter), m_footer(footer), m_pages(pages),
      m_width(device.width()), m_bottom(device.height() - kFooter), m_text(font(9)),
      m_bold(font(9, true)), m_table(font(7)), m_tableBold(font(7, true)),
      m_rowHeight(QFontMetricsF(m_table, &device).height() + 3)
{
}

int PdfPages::print(QPagedPaintDevice& device, const QString& footer, const Content& content)
{
    PdfPages counting(device, nullptr, footer, 0);
    content(counting);
    QPainter painter(&device);
    PdfPages painting(device, &painter, footer, counting.m_page);
    content(painting);
    painting.finishPage();
    painter.end();
    return painting.m_page;
}

void PdfPages::drawText(const QFont& f, const QRectF& box, int flags, const QString& text)
{
    if (!m_painter)
        return;
    m_painter->setFont(f);
    m_painter->drawText(box, flags, text);
}

qreal PdfPages::textHeight(const QFont& f, qreal width, const QString& text, int flags) const
{
    return QFontMetricsF(f, &m_device).boundingRect(QRectF(0, 0, width, 1e6), flags, text).height();
}

void PdfPages::finishPage()
{
    if (!m_painter)
        return;
    const QRectF band(0, m_bottom + 4, m_width, kFooter - 4);
    m_painter->setPen(QPen(Qt::gray, 0.5));
    m_painter->drawLine(QPointF(0, m_bottom + 2), QPointF(m_width, m_bottom + 2));
    m_painter->setPen(Qt::black);
    drawText(m_table, band, Qt::AlignLeft | Qt::AlignVCenter, m_footer);
    drawText(m_table, band, Qt::AlignRight | Qt::AlignVCenter,
             QStringLiteral("Page %1 of %2").arg(m_page).arg(m_pages));
}

void PdfPages::newPage()
{
    finishPage();
    if (m_painter)
        m_device.newPage();
    ++m_page;
    m_y = 0;
    if (!m_columns.isEmpty())
        tableHeadings();
}

void PdfPages::ensure(qreal height)
{
    if (m_y > 0 && m_y + height > m_bottom)
        newPage();
}

void PdfPages::title(const QString& text)
{
    const QFont f = font(14, true);
    const qreal height = textHeight(f, m_width, text);
    ensure(height + 6);
    drawText(f, QRectF(0, m_y, m_width, height), Qt::TextWordWrap, text);
    m_y += height + 6;
}

void PdfPages::heading(const QString& text)
{
    const QFont f = font(11, true);
    const qreal height = textHeight(f, m_width, text);
    // A heading keeps a few lines of what it heads with it.
    ensure(height + 8 + 4 * m_rowHeight);
    if (m_y > 0)
        m_y += 6;
    drawText(f, QRectF(0, m_y, m_width, height), Qt::TextWordWrap, text);
    m_y += height + 4;
}

void PdfPages::paragraph(const QString& text, bool bold)
{
    const QFont& f = bold ? m_bold : m_text;
    const qreal height = textHeight(f, m_width, text);
    ensure(height);
    drawText(f, QRectF(0, m_y, m_width, height), Qt::TextWordWrap, text);
    m_y += height + 2;
}

void PdfPages::fact(const QString& label, const QString& value)
{
    const qreal valueWidth = m_width - kLabelWidth;
    // A long unbroken value (a path, an identity) wraps anywhere.
    const int flags = value.contains(u' ') ? Qt::TextWordWrap : Qt::TextWrapAnywhere;
    const qreal height = textHeight(m_text, valueWidth, value, flags);
    ensure(height);
    drawText(m_bold, QRectF(0, m_y, kLabelWidth, height), Qt::AlignLeft, label);
    drawText(m_text, QRectF(kLabelWidth, m_y, valueWidth, height), flags, value);
    m_y += height + 2;
}

void PdfPages::space(qreal points)
{
    m_y += points;
}

void PdfPages::beginTable(QList<Column> columns)
{
    qreal total = 0;
    for (const Column& column : columns)
        total += column.width;
    for (Column& column : columns)
        column.width *= m_width / total;
    m_columns = std::move(columns);
    ensure(3 * m_rowHeight);
    tableHeadings();
}

void PdfPages::tableHeadings()
{
    if (m_painter)
        m_painter->fillRect(QRectF(0, m_y, m_width, m_rowHeight), QColor(0xe8, 0xe8, 0xe8));
    qreal x = 0;
    for (const Column& column : std::as_const(m_columns)) {
        const QRectF cell(x + kCellPad, m_y, column.width - 2 * kCellPad, m_rowHeight);
        drawText(m_tableBold, cell,
                 (column.number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                 QFontMetricsF(m_tableBold, &m_device)
                     .elidedText(column.heading, Qt::ElideRight, cell.width()));
        x += column.width;
    }
    m_y += m_rowHeight;
}

void PdfPages::row(const QStringList& cells, bool marked)
{
    ensure(m_rowHeight);
    if (!m_painter) {
        m_y += m_rowHeight;
        return;
    }
    {
        if (marked)
            m_painter->fillRect(QRectF(0, m_y, m_width, m_rowHeight), QColor(0xd8, 0xd8, 0xd8));
        m_painter->setPen(QPen(QColor(0xb0, 0xb0, 0xb0), 0.3));
        m_painter->drawLine(QPointF(0, m_y + m_rowHeight), QPointF(m_width, m_y + m_rowHeight));
        m_painter->setPen(Qt::black);
    }
    const QFont& f = marked ? m_tableBold : m_table;
    const QFontMetricsF metrics(f, &m_device);
    qreal x = 0;
    for (qsizetype c = 0; c < m_columns.size(); ++c) {
        const Column& column = m_columns[c];
        const qreal room = column.width - 2 * kCellPad;
        drawText(f, QRectF(x + kCellPad, m_y, room, m_rowHeight),
                 (column.number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                 metrics.elidedText(cells.value(c), Qt::ElideRight, room));
        x += column.width;
    }
    m_y += m_rowHeight;
}

void PdfPages::endTable()
{
    m_columns.clear();
    m_y += 4;
}
