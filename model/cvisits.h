#pragma once

#include "csession.h"
#include "timekeyedlist.h"

#include <QString>

namespace RecordRows {
/// One visit as the record keeps it: its times as `wallClockMs` numbers and its query text as
/// a place in the list's texts, since most visits have none.
struct Visit
{
    /// The query texts of a list's visits, one string for all of them so that a record holds
    /// one block however many texts it has: each text followed by its length in two
    /// characters (low 16 bits, then high). A text no visit names any more stays until the
    /// record is read again.
    using Context = QString;

    qint64 session;
    qint64 start;
    qint64 end;
    /// 0 for no query text, else where its entry in the texts ends.
    qint32 param;

    static Visit of(const CSession &visit, Context &params);
    CSession value(const Context &params) const;
    qint64 keyMs() const { return start; }
    /// The place of `text` for `param`, adding it to `params` unless it is empty or the text
    /// just before.
    static qint32 placeOf(QStringView text, Context &params);
    /// The text of a `param` place.
    static QString paramOf(qint32 param, const Context &params)
    {
        return param > 0 ? params.sliced(textStart(param, params), textSize(param, params))
                         : QString();
    }

private:
    static qsizetype textSize(qint32 param, const Context &params)
    {
        return qsizetype(params.at(param - 2).unicode())
               | qsizetype(params.at(param - 1).unicode()) << 16;
    }
    static qsizetype textStart(qint32 param, const Context &params)
    {
        return param - 2 - textSize(param, params);
    }
};
} // namespace RecordRows

/// The visits of one site record, keyed by `timeKey(CSession::sTime)`.
class CVisits final : public TimeKeyedList<RecordRows::Visit, CSession>
{
public:
    /// Sets the end of the visit under `key`; false when there is none.
    bool SetEnd(const QString &key, const QDateTime &end);
    /// Gives back the room no visit uses.
    void Squeeze()
    {
        TimeKeyedList::Squeeze();
        m_context.squeeze();
    }
};
