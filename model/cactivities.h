#pragma once

#include "cactivity.h"
#include "timekeyedlist.h"

namespace RecordRows {
/// One download as the record keeps it.
struct Download
{
    struct Context
    { };

    qint64 session;
    qint64 when;
    QString location;
    QString activity;

    static Download of(const CActivity &act, Context &);
    CActivity value(const Context &) const;
    qint64 keyMs() const { return when; }
};
} // namespace RecordRows

/// The downloads of one site record, keyed by `timeKey(CActivity::Key)`.
class CActivities final : public TimeKeyedList<RecordRows::Download, CActivity>
{ };
