#include "clock.h"

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
