#include "cvisits.h"

RecordRows::Visit RecordRows::Visit::of(const CSession &visit, Context &params)
{
    return {wallClockMs(visit.Session),
            wallClockMs(visit.sTime),
            wallClockMs(visit.eTime),
            placeOf(visit.Param, params)};
}

qint32 RecordRows::Visit::placeOf(const QString &text, Context &params)
{
    if (text.isEmpty())
        return 0;
    if (params.isEmpty() || params.constLast() != text)
        params.append(text);
    return qint32(params.size());
}

CSession RecordRows::Visit::value(const Context &params) const
{
    CSession visit;
    visit.Session = fromWallClockMs(session);
    visit.sTime = fromWallClockMs(start);
    visit.eTime = fromWallClockMs(end);
    visit.Param = paramOf(param, params);
    return visit;
}

bool CVisits::SetEnd(const QString &key, const QDateTime &end)
{
    RecordRows::Visit *visit = find(key);
    if (!visit)
        return false;
    visit->end = wallClockMs(end);
    return true;
}
