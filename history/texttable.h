#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QTextStream;

/// Rows of text printed in aligned columns, two blanks apart. Numbers can be aligned to the
/// right; the last column is never padded, so no line ends in blanks.
class TextTable final
{
public:
    explicit TextTable(const QStringList &header);

    /// Aligns `column` (from 0) to the right.
    void setRightAligned(int column);

    /// Appends a row; line breaks and tabs in a cell become blanks so that a row stays one line.
    void addRow(const QStringList &cells);

    int rowCount() const { return int(m_rows.size()); }

    /// Prints the header and every row.
    void print(QTextStream &out) const;
    /// Prints the header and `count` rows that `rowAt` makes when asked, as if they had been
    /// added: a table of a hundred thousand rows need not be held. Each row is made twice,
    /// once to measure the columns and once to print it.
    void print(QTextStream &out,
               qsizetype count,
               const std::function<QStringList(qsizetype)> &rowAt) const;

private:
    QStringList m_header;
    QList<QStringList> m_rows;
    QList<bool> m_right;
};
