#pragma once

#include <QString>

/**
 * Who uses a browser profile folder now. Chromium keeps a "SingletonLock" link in the folder
 * naming the machine and the process id of the browser running on it; a browser Roamlog starts
 * carries the process id of its Roamlog in its environment.
 */
class ProfileLock final
{
public:
    enum class Holder {
        /// No browser runs on the folder on this machine (a stale lock is the browser's affair).
        None,
        /// A browser whose Roamlog still runs.
        LiveHost,
        /// A browser left over by a Roamlog that has ended: certainly Roamlog's own.
        Orphan,
        /// A browser started by someone else, or one that cannot be looked into.
        Other,
    };
    struct State
    {
        Holder holder = Holder::None;
        qint64 browserPid = 0;
    };

    /// Looks at @p profileDir's lock and at the process it names.
    static State inspect(const QString &profileDir);
    /// Whether process @p pid exists and has not ended (a zombie has ended).
    static bool isAlive(qint64 pid);

    /// The environment variable naming, in a browser Roamlog started, that Roamlog's process id.
    static constexpr char HostVariable[] = "ROAMLOG_HOST_PID";
};
