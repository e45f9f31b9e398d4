#include "frmsitessessions.h"

#include "model/cfile.h"
#include "model/roamstore.h"
#include "model/timekey.h"
#include "resources/biditext.h"
#include "resources/captionloader.h"
#include "resources/roamstrings.h"
#include "sitefiledialog.h"
#include "taggedwidgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// Sizes of the form's design, in twips, shown at 15 twips to the pixel.
constexpr int twipsPerPixel = 15;
constexpr int px(int twips)
{
    return twips / twipsPerPixel;
}
constexpr int columnTwips[frmSitesSessions::ColumnCount] = {1300, 500, 350, 1900};
constexpr int listSlackWidth = px(200);
constexpr int listSlackHeight = px(300);
constexpr int formMargin = px(90);

constexpr int SortRole = Qt::UserRole + 1;

// Rows sort by what their cells stand for, not by their text: a duration of 100:00 comes after
// 60:00, and start times go by time.
class VisitItem final : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, SortRole);
        const QVariant theirs = other.data(column, SortRole);
        if (mine.typeId() == QMetaType::QString || theirs.typeId() == QMetaType::QString)
            return QString::compare(mine.toString(), theirs.toString(), Qt::CaseInsensitive) < 0;
        return mine.toLongLong() < theirs.toLongLong();
    }
};

qint64 sortValue(const QDateTime &time)
{
    return isZeroDateTime(time) ? std::numeric_limits<qint64>::min() : time.toSecsSinceEpoch();
}

QString timeFormatWithSeconds(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (!format.contains(u's')) {
        const qsizetype minutes = format.lastIndexOf(u"mm"_s);
        if (minutes >= 0)
            format.insert(minutes + 2, u":ss"_s);
    }
    return format;
}

} // namespace

frmSitesSessions::frmSitesSessions(const RoamStore &store, qint16 langOffset, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"frmSitesSessions"_s);
    setProperty(CaptionLoader::TagProperty, u"30"_s);
    setWindowTitle(u"Properties"_s);
    setModal(true);

    m_fields = new QWidget(this);
    auto *url = new QLineEdit(m_fields);
    url->setObjectName(u"txtFields0"_s);
    auto *title = new QLineEdit(m_fields);
    title->setObjectName(u"txtFields1"_s);
    auto *note = new QPlainTextEdit(m_fields);
    note->setObjectName(u"txtFields2"_s);
    note->setTabChangesFocus(true);
    note->setFixedHeight(note->fontMetrics().lineSpacing() * 3 + 2 * note->frameWidth() + 8);

    auto *grid = new QGridLayout(m_fields);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(TaggedWidgets::label(u"URL:"_s, u"31"_s, m_fields), 0, 0);
    grid->addWidget(url, 0, 1);
    grid->addWidget(TaggedWidgets::label(u"Title:"_s, u"32"_s, m_fields), 1, 0);
    grid->addWidget(title, 1, 1);
    grid->addWidget(TaggedWidgets::label(u"Note:"_s, u"33"_s, m_fields), 2, 0, Qt::AlignTop);
    grid->addWidget(note, 2, 1);
    grid->setColumnStretch(1, 1);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(u"ListView1"_s);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSortingEnabled(false);
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setStretchLastSection(true);
    connect(m_list->header(),
            &QHeaderView::sectionClicked,
            this,
            &frmSitesSessions::ListView1_ColumnClick);

    m_buttons = new QWidget(this);
    m_buttons->setObjectName(u"picButtons"_s);
    auto *cmdUpdate = TaggedWidgets::button(u"cmdUpdate"_s, u"&Update"_s, u"34"_s, m_buttons);
    auto *cmdClose = TaggedWidgets::button(u"cmdClose"_s, u"&Close"_s, u"35"_s, m_buttons);
    auto *buttons = new QHBoxLayout(m_buttons);
    buttons->setContentsMargins(formMargin, formMargin, formMargin, formMargin);
    buttons->addStretch();
    buttons->addWidget(cmdUpdate);
    buttons->addWidget(cmdClose);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    CaptionLoader::LoadFormCaptions(this, langOffset);
    url->setLayoutDirection(Qt::LeftToRight);
    url->setText(BidiText::readableUrl(store.NoteURL));
    url->setCursorPosition(0);
    title->setText(store.NoteTitle);
    title->setCursorPosition(0);
    note->setPlainText(store.NoteText);
    fillList(store, langOffset);

    setMinimumSize(320, m_fields->sizeHint().height() + m_buttons->sizeHint().height() + 120);
    int listWidth = 2 * m_list->frameWidth()
                    + m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int column = 0; column < ColumnCount; ++column)
        listWidth += m_list->columnWidth(column);
    resize(std::clamp(listWidth + listSlackWidth, 460, 900), 420);
}

void frmSitesSessions::fillList(const RoamStore &store, qint16 langOffset)
{
    const bool hebrew = langOffset == RoamStrings::HebrewOffset;
    const QStringList headers = hebrew
                                    ? QStringList {u"הגלישה "_s, u"משעה"_s, u"למשך"_s, u"פרמטרים"_s}
                                    : QStringList {u"Session"_s, u"From"_s, u"For"_s, u"Params"_s};
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels(headers);

    QList<QTreeWidgetItem *> rows;
    if (store.NoteFile) {
        // No row is keyed: two visits that show one start (in one minute) are both listed.
        for (const CSession &visit : store.NoteFile->Sessions) {
            auto *row = new VisitItem;
            // Dates, times and durations read left to right in the Hebrew list too.
            const auto ltr = [hebrew](const QString &text) {
                return BidiText::leftToRight(text, hebrew ? Qt::RightToLeft : Qt::LeftToRight);
            };
            row->setText(SessionColumn, ltr(generalDateTime(visit.Session)));
            row->setData(SessionColumn, SortRole, sortValue(visit.Session));
            row->setText(FromColumn, ltr(visit.sTime.toString(u"HH:mm"_s)));
            row->setData(FromColumn, SortRole, sortValue(visit.sTime));
            row->setText(ForColumn, ltr(durationText(visit.sTime, visit.eTime)));
            row->setData(ForColumn,
                         SortRole,
                         isZeroDateTime(visit.eTime) ? std::numeric_limits<qint64>::max()
                                                     : visit.sTime.secsTo(visit.eTime));
            row->setText(ParamsColumn, ltr(visit.Param));
            row->setData(ParamsColumn, SortRole, visit.Param);
            rows.append(row);
        }
    }
    m_list->addTopLevelItems(rows);

    // The design widths are the least; a column never cuts its texts short.
    for (int column = 0; column < ColumnCount; ++column) {
        m_list->resizeColumnToContents(column);
        m_list->setColumnWidth(column,
                               std::max(px(columnTwips[column]), m_list->columnWidth(column)));
    }
}

bool frmSitesSessions::run(RoamStore &store,
                           const QString &selectedUrl,
                           qint16 langOffset,
                           QWidget *parent)
{
    return runSiteFileDialog<frmSitesSessions>(store, selectedUrl, langOffset, parent);
}

QString frmSitesSessions::durationText(const QDateTime &sTime, const QDateTime &eTime)
{
    if (isZeroDateTime(eTime))
        return u" - "_s;
    const qint64 s = sTime.secsTo(eTime);
    const auto twoDigits = [](qint64 value) {
        const QString digits = QString::number(value < 0 ? -value : value).rightJustified(2, u'0');
        return value < 0 ? u'-' + digits : digits;
    };
    if (s < 60)
        return u"0:"_s + twoDigits(s);
    const qint64 r = s % 60;
    return twoDigits((s - r) / 60) + u':' + twoDigits(r);
}

QString frmSitesSessions::generalDateTime(const QDateTime &time)
{
    const QLocale locale;
    const QDateTime t = time.isValid() ? time : zeroDateTime();
    const QString clock = locale.toString(t.time(), timeFormatWithSeconds(locale));
    if (t.date() == zeroDateTime().date())
        return clock;
    const QString date = locale.toString(t.date(), QLocale::ShortFormat);
    if (t.time() == QTime(0, 0))
        return date;
    return date + u' ' + clock;
}

void frmSitesSessions::ListView1_ColumnClick(int column)
{
    if (column == m_sortKey)
        m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    else
        m_sortKey = column;
    m_list->header()->setSortIndicatorShown(true);
    m_list->sortItems(m_sortKey, m_sortOrder);
}

void frmSitesSessions::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const int innerWidth = width();
    const int innerHeight = height();
    m_fields->setGeometry(
        formMargin, formMargin, innerWidth - 2 * formMargin, m_fields->sizeHint().height());
    const int buttonsHeight = m_buttons->sizeHint().height();
    m_buttons->setGeometry(0, innerHeight - buttonsHeight, innerWidth, buttonsHeight);
    const int listTop = m_fields->geometry().bottom() + 1 + formMargin;
    m_list->setGeometry(listSlackWidth / 2,
                        listTop,
                        innerWidth - listSlackWidth,
                        std::max(0, innerHeight - listTop - buttonsHeight - listSlackHeight));
}
