#pragma once

#include <QDateTime>
#include <QDialog>
#include <QString>

class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;
class QWidget;
class RoamStore;

/// The properties dialog: one site's URL, title and note and the list of its visits with the
/// browsing session, start, duration and query parameters. It only displays; nothing typed
/// into it is kept.
///
/// Object names: "txtFields0" (URL), "txtFields1" (title), "txtFields2" (note), "ListView1"
/// (the visits, a QTreeWidget), "picButtons", "cmdUpdate", "cmdClose".
class frmSitesSessions final : public QDialog
{
    Q_OBJECT
public:
    /// Columns of the visits list.
    enum Column { SessionColumn, FromColumn, ForColumn, ParamsColumn, ColumnCount };

    /// Fills the dialog from the exchange fields of `store` (`NoteURL`, `NoteTitle`,
    /// `NoteText` and the visits of `NoteFile`), captions and headers in the language
    /// `langOffset` (0 or 500).
    frmSitesSessions(const RoamStore &store, qint16 langOffset, QWidget *parent = nullptr);

    /// The whole Properties command for the site keyed `selectedUrl`: `GetCFile`, the dialog
    /// shown modally, `SetCFile`. Shows nothing and returns false when the store has no such
    /// record; otherwise returns whether the site file was written.
    static bool run(RoamStore &store,
                    const QString &selectedUrl,
                    qint16 langOffset,
                    QWidget *parent);

    /// The duration column's text for a visit from `sTime` to `eTime`: " - " while the visit
    /// runs, "0:ss" under a minute, otherwise "mm:ss" with at least two digits of minutes.
    static QString durationText(const QDateTime &sTime, const QDateTime &eTime);
    /// A moment in the general form: date and time to the second, only the time on the zero
    /// date, only the date at midnight; in the locale's formats.
    static QString generalDateTime(const QDateTime &time);

    /// The list's sort column and order as the header clicks left them.
    int sortColumn() const { return m_sortKey; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void ListView1_ColumnClick(int column);
    void fillList(const RoamStore &store, qint16 langOffset);

    QWidget *m_fields = nullptr;
    QTreeWidget *m_list = nullptr;
    QWidget *m_buttons = nullptr;
    int m_sortKey = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
