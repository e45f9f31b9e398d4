#pragma once

#include "hostmessage.h"

#include <QWidget>

class QPlainTextEdit;

/**
 * The help window: the program's "Read.me", read-only. A missing or unreadable file is
 * named in a message and leaves the window empty.
 */
class frmHelp final : public QWidget
{
    Q_OBJECT

public:
    /// Captions in the language of @p langOffset; the help text itself is English and reads
    /// left to right in both. Escape and Ctrl+W close the window.
    explicit frmHelp(QWidget *parent = nullptr, qint16 langOffset = 0);

    /// Where the "Read.me" of the program in @p programFolder (this program's folder when
    /// empty) is: in the data folder beside the program's folder, as installed and as built.
    static QString readMePath(const QString &programFolder = QString());

    /// Replaces the message naming a file that cannot be opened.
    void setMessageBox(HostMessage::Show show) { m_message = std::move(show); }
    /// Loads @p path (the program's "Read.me" when empty) and locks the text.
    void Form_Load(const QString &path = QString());

    QPlainTextEdit *Textdata() const { return m_textdata; }

private:
    void loadFile(const QString &path);

    QPlainTextEdit *m_textdata = nullptr;
    HostMessage::Show m_message = &HostMessage::okOnly;
    qint16 m_langOffset = 0;
};
