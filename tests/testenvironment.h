#pragma once

#include <QtGlobal>

#include <ctime>

/// The fixed surroundings every suite runs in, set by the suite itself: CTest's per-test
/// environment cannot carry several variables through test discovery, and the programs the
/// tests start (the browser, Roamlog) inherit these too.
inline void useTestEnvironment()
{
    qputenv("TZ", "UTC");
    qputenv("LANG", "C.UTF-8");
    qputenv("LC_ALL", "C.UTF-8");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    tzset();
}
