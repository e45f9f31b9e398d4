#include "texttable.h"

#include <QTextStream>

#include <algorithm>

using namespace Qt::StringLiterals;

TextTable::TextTable(const QStringList &header)
    : m_header(header)
    , m_right(header.size(), false)
{ }

void TextTable::setRightAligned(int column)
{
    if (column >= 0 && column < m_right.size())
        m_right[column] = true;
}

namespace {
bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n' || c == u'\t';
}

/// The cell as it is printed: one line, so no breaks and no tabs.
QString oneLine(QString cell)
{
    if (std::any_of(cell.cbegin(), cell.cend(), isLineBreak)) {
        for (QChar &c : cell) {
            if (isLineBreak(c))
                c = u' ';
        }
    }
    return cell;
}
} // namespace

void TextTable::addRow(const QStringList &cells)
{
    // Made one line when printed, like the rows made on demand.
    m_rows.append(cells);
}

void TextTable::print(QTextStream &out) const
{
    print(out, m_rows.size(), [this](qsizetype i) { return m_rows.at(i); });
}

void TextTable::print(QTextStream &out,
                      qsizetype count,
                      const std::function<QStringList(qsizetype)> &rowAt) const
{
    QList<qsizetype> widths(m_header.size());
    for (qsizetype i = 0; i < m_header.size(); ++i)
        widths[i] = m_header.at(i).size();
    for (qsizetype r = 0; r < count; ++r) {
        const QStringList row = rowAt(r);
        for (qsizetype i = 0; i < m_header.size(); ++i)
            widths[i] = std::max(widths[i], row.value(i).size());
    }

    const auto printRow = [&](const QStringList &row) {
        QString line;
        const qsizetype last = m_header.size() - 1;
        for (qsizetype i = 0; i <= last; ++i) {
            if (i > 0)
                line += u"  "_s;
            const QString cell = oneLine(row.value(i));
            if (m_right.at(i))
                line += cell.rightJustified(widths.at(i));
            else if (i < last)
                line += cell.leftJustified(widths.at(i));
            else
                line += cell;
        }
        while (line.endsWith(u' '))
            line.chop(1);
        out << line << '\n';
    };

    printRow(m_header);
    for (qsizetype r = 0; r < count; ++r)
        printRow(rowAt(r));
}
