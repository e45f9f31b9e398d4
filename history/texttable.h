#pragma once

#include <QList>
#include <QString>
#include <QStringList>

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

private:
    QStringList m_header;
    QList<QStringList> m_rows;
    QList<bool> m_right;
};
