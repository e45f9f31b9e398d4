#pragma once

#include "timekey.h"

#include <QDateTime>
#include <QString>

#include <memory>

/// One span of time: a visit of a site (inside `CFile::Sessions`) or a whole browsing session
/// (in the store's `AllSessions`). A plain value holder.
class CSession final
{
public:
    /// Start of the browsing session the visit belongs to (zero for sessions read from file).
    QDateTime Session = zeroDateTime();
    /// Query text of the visited URL (after its first "?"), or empty.
    QString Param;
    /// When the visit or session began.
    QDateTime sTime = zeroDateTime();
    /// When it ended; zero for a visit that was never closed.
    QDateTime eTime = zeroDateTime();
};

using CSessionPtr = std::shared_ptr<CSession>;
