#pragma once

#include <QObject>

class QSocketNotifier;

/**
 * Turns SIGTERM, SIGINT and SIGHUP into a signal on the event loop, so that a logout or a
 * terminated process still ends the browsing session properly.
 */
class TerminationWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit TerminationWatcher(QObject *parent = nullptr);
    ~TerminationWatcher() override;

signals:
    void terminationRequested();

private:
    static void onSignal(int number);
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
};
