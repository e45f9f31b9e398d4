#include "cactivities.h"

RecordRows::Download RecordRows::Download::of(const CActivity &act, Context &)
{
    return {wallClockMs(act.Session), wallClockMs(act.Key), act.Location, act.Activity};
}

CActivity RecordRows::Download::value(const Context &) const
{
    CActivity act;
    act.Session = fromWallClockMs(session);
    act.Key = fromWallClockMs(when);
    act.Location = location;
    act.Activity = activity;
    return act;
}
