#include "core/Texts.h"

#include <algorithm>

QString Texts::trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return begin == 0 && end == text.size() ? text : text.mid(begin, end - begin);
}

QString Texts::counted(qint64 count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QString Texts::cutLongNames(const QString& text, qsizetype most)
{
    QString out;
    out.reserve(std::min(text.size(), qsizetype(4096)));
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !text[i].isSpace())
            continue;
        const qsizetype length = i - start;
        if (length > most) {
            const qsizetype keep = (most - 1) / 2;
            out += QStringView(text).mid(start, keep);
            out += QChar(0x2026);
            out += QStringView(text).mid(i - keep, keep);
        } else {
            out += QStringView(text).mid(start, length);
        }
        if (i < text.size())
            out += text[i];
        start = i + 1;
    }
    return out;
}
