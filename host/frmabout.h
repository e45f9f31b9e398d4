#pragma once

#include "hostmessage.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

/**
 * The about window: the program's name, version and purpose, OK, and a button that starts the
 * desktop's system-information program.
 */
class frmAbout final : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);

    /// The system-information programs tried in this order; the first found on PATH (or, for a
    /// path, executable) is started.
    static QStringList defaultSysInfoPrograms();
    void setSysInfoPrograms(const QStringList &programs) { m_sysInfoPrograms = programs; }
    /// Replaces the message shown when no program can be started.
    void setMessageBox(HostMessage::Show show) { m_message = std::move(show); }

    QLabel *lblTitle() const { return m_lblTitle; }
    QLabel *lblVersion() const { return m_lblVersion; }
    QPushButton *cmdOK() const { return m_cmdOK; }
    QPushButton *cmdSysInfo() const { return m_cmdSysInfo; }

    /// Starts the first system-information program found, or says that there is none.
    /// Returns the program started, empty when none was.
    QString StartSysInfo();

private:
    QLabel *m_picIcon = nullptr;
    QLabel *m_lblTitle = nullptr;
    QLabel *m_lblVersion = nullptr;
    QLabel *m_lblDescription = nullptr;
    QLabel *m_lblDisclaimer = nullptr;
    QPushButton *m_cmdOK = nullptr;
    QPushButton *m_cmdSysInfo = nullptr;
    QStringList m_sysInfoPrograms = defaultSysInfoPrograms();
    HostMessage::Show m_message = &HostMessage::okOnly;
};
