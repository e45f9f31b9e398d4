#pragma once

#include <QDateTime>
#include <QString>

class QRandomGenerator;

/// A generated data folder the size of years of browsing, for the benchmarks that load one.
///
/// N site files (as the recorder leaves them, parents included): 2,000 hosts, N/10 folders
/// spread over them, the rest pages spread over the folders, plus the host "big.example" with
/// 1,000 pages right below it. Every record has 1 to 20 visits, each in one of 500 stored
/// browsing sessions; a fifth of them have a download. 800 records also have a visit in one
/// further session, and one record in a hundred was last visited in the running session,
/// which starts at `runningSession()`. "Ses.sms" lists all sessions but the running one.
namespace GeneratedStore {

/// The folder of a store of @p count site files; generated once per run and size.
QString folder(int count);
/// Start of the running session the store expects (give it to the panel's clock).
QDateTime runningSession();
/// The key of the session with exactly 800 sites.
QString sessionOf800Key();
/// The URL of the host with 1,000 pages right below it.
QString hostOf1000();

/// A page title of 20 to 80 characters, a quarter of them Hebrew.
QString title(QRandomGenerator &random);
/// Reads every site file of @p folder without parsing it, as the loader reads them (one
/// buffer for all files): the floor any load must pay. Returns the bytes read.
qint64 rawRead(const QString &folder);

} // namespace GeneratedStore
