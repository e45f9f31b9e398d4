#include "clock.h"

#include <QFile>

QDateTime Clock::now() const
{
    QDateTime t = QDateTime::currentDateTime();
    t.setTime(QTime(t.time().hour(), t.time().minute(), t.time().second()));
    return t;
}

Clock &Clock::system()
{
    static Clock clock;
    return clock;
}

void Clock::pinLocalTimeZone()
{
    if (!qEnvironmentVariableIsSet("TZ") && QFile::exists(QStringLiteral("/etc/localtime")))
        qputenv("TZ", ":/etc/localtime");
}
