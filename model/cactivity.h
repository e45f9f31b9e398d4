#pragma once

#include "timekey.h"

#include <QDateTime>
#include <QString>

/// One event on a site: a download. A plain value holder.
class CActivity final
{
public:
    /// Start of the browsing session during which it happened.
    QDateTime Session = zeroDateTime();
    /// "Download " and the file part of the URL; not stored in the site file.
    QString Activity;
    /// The URL the activity concerns.
    QString Location;
    /// The time of the activity, to whole seconds; `timeKey(Key)` keys it in `CFile::Activities`.
    QDateTime Key = zeroDateTime();
};
