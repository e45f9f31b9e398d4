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

void TextTable::addRow(const QStringList &cells)
{
    QStringList row;
    row.reserve(m_header.size());
    for (qsizetype i = 0; i < m_header.size(); ++i) {
        QString cell = cells.value(i);
        for (QChar &c : cell) {
            if (c == u'\r' || c == u'\n' || c == u'\t')
                c = u' ';
        }
        row.append(cell);
    }
    m_rows.append(row);
}

void TextTable::print(QTextStream &out) const
{
    QList<qsizetype> widths(m_header.size());
    for (qsizetype i = 0; i < m_header.size(); ++i)
        widths[i] = m_header.at(i).size();
    for (const QStringList &row : m_rows) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row.at(i).size());
    }

    const auto printRow = [&](const QStringList &row) {
        QString line;
        const qsizetype last = row.size() - 1;
        for (qsizetype i = 0; i <= last; ++i) {
            if (i > 0)
                line += u"  "_s;
            const QString &cell = row.at(i);
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
    for (const QStringList &row : m_rows)
        printRow(row);
}
