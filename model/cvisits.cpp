#include "cvisits.h"

RecordRows::Visit RecordRows::Visit::of(const CSession &visit, Context &params)
{
    return {wallClockMs(visit.Session),
            wallClockMs(visit.sTime),
            wallClockMs(visit.eTime),
            placeOf(visit.Param, params)};
}

qint32 RecordRows::Visit::placeOf(QStringView text, Context &params)
{
    if (text.isEmpty())
        return 0;
    const auto end = qint32(params.size());
    if (end > 0 && textSize(end, params) == text.size()
        && QStringView(params).sliced(textStart(end, params), text.size()) == text)
        return end;
    params.append(text);
    params.append(QChar(char16_t(text.size() & 0xFFFF)));
    params.append(QChar(char16_t(text.size() >> 16)));
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
