#pragma once

#include <QDateTime>

/// Source of the current time. Records take their times from here so that tests can pin them.
class Clock
{
public:
    virtual ~Clock() = default;

    /// Local time, to the second.
    virtual QDateTime now() const;

    /// The wall clock.
    static Clock &system();

    /// Names the system's time zone in TZ when TZ is unset. Without it the C library checks
    /// /etc/localtime again on every local-time conversion, and loading a record converts
    /// several times per visit; the zone stays the same. Call before the application object.
    static void pinLocalTimeZone();
};

/// A clock that stands still until it is set or advanced; for tests and benchmarks.
class ManualClock final : public Clock
{
public:
    explicit ManualClock(const QDateTime &start)
        : m_now(start)
    { }

    QDateTime now() const override { return m_now; }
    void set(const QDateTime &time) { m_now = time; }
    void advance(qint64 seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};
