#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QPagedPaintDevice;
class QPainter;

// Pages of text and tables on A4, laid out by hand: a table's headings are
// repeated at the top of every page it runs onto, and every page ends with a
// footer and "Page N of M". The content is laid out twice, once to count the
// pages and once to paint them, so that M is known on the first page.
// Distances are in points.
class PdfPages
{
public:
    struct Column
    {
        QString heading;
        qreal width = 0;     // a share of the line when the widths do not add up to it
        bool number = false; // right-aligned
    };

    using Content = std::function<void(PdfPages& pages)>;

    // Lays out the content on the device (whose resolution must be 72 dpi)
    // and paints it; returns the number of pages.
    static int print(QPagedPaintDevice& device, const QString& footer, const Content& content);

    void title(const QString& text);
    void heading(const QString& text);
    void paragraph(const QString& text, bool bold = false);
    // A label and its value side by side, the value wrapped beneath itself.
    void fact(const QString& label, const QString& value);
    void space(qreal points);
    void newPage();

    void beginTable(QList<Column> columns);
    // A marked row is set in bold on a grey ground.
    void row(const QStringList& cells, bool marked = false);
    void endTable();

private:
    PdfPages(QPagedPaintDevice& device, QPainter* painter, const QString& footer, int pages);

    // Starts a new page when `height` does not fit on this one.
    void ensure(qreal height);
    void finishPage();
    void tableHeadings();
    qreal textHeight(const QFont& font, qreal width, const QString& text,
                     int flags = Qt::TextWordWrap) const;
    void drawText(const QFont& font, const QRectF& box, int flags, const QString& text);

    QPagedPaintDevice& m_device;
    QPainter* m_painter; // null while the pages are counted
    QString m_footer;
    int m_pages;
    int m_page = 1;
    qreal m_width;
    qreal m_bottom;
    qreal m_y = 0;
    QFont m_text;
    QFont m_bold;
    QFont m_table;
    QFont m_tableBold;
    QList<Column> m_columns;
    qreal m_rowHeight;
};
