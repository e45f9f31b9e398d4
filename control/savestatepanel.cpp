#include "savestatepanel.h"

#include "model/roamstore.h"
#include "resources/roamstrings.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

bool hebrew(qint16 langOffset)
{
    return langOffset == RoamStrings::HebrewOffset;
}

QString folderOf(const RoamStore &store)
{
    return QDir::toNativeSeparators(store.dataFolder());
}

} // namespace

SaveStatePanel::SaveStatePanel(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(u"sbrDBSaveState"_s);
    setTextFormat(Qt::PlainText);
    setStyleSheet(u"color: #b00000; font-weight: bold;"_s);
    hide();
}

QString SaveStatePanel::readOnlyText(const RoamStore &store, qint16 langOffset)
{
    const QString holder = store.LockHolder().isEmpty() ? u"another program"_s : store.LockHolder();
    if (hebrew(langOffset))
        return u"תיקיית הנתונים %1 בשימוש (%2): ההיסטוריה מוצגת בלבד, הגלישה אינה נרשמת"_s.arg(
            folderOf(store), holder);
    return u"The data folder %1 is in use by %2: the history is only shown, browsing is not "
           "recorded"_s.arg(folderOf(store), holder);
}

QString SaveStatePanel::unsavedText(const RoamStore &store, qint16 langOffset)
{
    const int count = store.UnsavedCount();
    const QString reason = store.WriteError();
    if (count == 0 && reason.isEmpty())
        return {};
    if (hebrew(langOffset)) {
        if (count == 0)
            return u"לא ניתן לכתוב לתיקיית הנתונים %1: %2"_s.arg(folderOf(store), reason);
        return u"רשומות שלא נשמרו: %1 (%2)"_s.arg(QString::number(count), reason);
    }
    if (count == 0)
        return u"The data folder %1 cannot be written: %2"_s.arg(folderOf(store), reason);
    return u"Not saved: %1 %2 (%3); written again at the next save"_s.arg(
        QString::number(count), count == 1 ? u"record"_s : u"records"_s, reason);
}

QString SaveStatePanel::lostAtCloseText(const RoamStore &store, qint16 langOffset)
{
    const QString count = QString::number(store.UnsavedCount());
    if (hebrew(langOffset))
        return u"%1 רשומות לא נכתבו לתיקיית הנתונים %2 (%3) ויאבדו עם סגירת התוכנית."_s.arg(
            count, folderOf(store), store.WriteError());
    if (store.UnsavedCount() == 1)
        return u"1 record could not be written to the data folder %1 (%2) and is lost when "
               "Roamlog closes."_s.arg(folderOf(store), store.WriteError());
    return u"%1 records could not be written to the data folder %2 (%3) and are lost when "
           "Roamlog closes."_s.arg(count, folderOf(store), store.WriteError());
}

void SaveStatePanel::Refresh(const RoamStore &store, qint16 langOffset)
{
    const QString text = store.ReadOnly() ? readOnlyText(store, langOffset)
                                          : unsavedText(store, langOffset);
    setText(text);
    setToolTip(text);
    setVisible(!text.isEmpty());
}
