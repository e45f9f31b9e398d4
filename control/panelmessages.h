#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>

#include <functional>

/// How the panel speaks to the user: through a handler the host or a test installs, else in a
/// message box over the panel, else (for a panel made without messages) not at all. The last
/// text is kept either way.
class PanelMessages final : public QObject
{
    Q_OBJECT

public:
    /// Gets the icon and the text, returns the button pressed.
    using Handler = std::function<QMessageBox::StandardButton(QMessageBox::Icon, const QString &)>;

    /// Messages of @p panel, shown in message boxes only when @p showMessages.
    PanelMessages(bool showMessages, QWidget *panel);

    void SetHandler(Handler handler) { m_handler = std::move(handler); }
    /// The text of the last message, empty before the first.
    QString Last() const { return m_last; }

    /// Gives @p text with @p buttons; without a handler and without message boxes the answer
    /// is @p fallback, which is also the default button of the box.
    QMessageBox::StandardButton Ask(QMessageBox::Icon icon,
                                    const QString &text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                    QMessageBox::StandardButton fallback = QMessageBox::Ok);
    /// Asks @p question with Yes and No (No by default); true for Yes.
    bool Confirm(const QString &question);
    /// Gives @p text with an OK button.
    void Notify(QMessageBox::Icon icon, const QString &text);
    /// Shows @p text in a critical message box when messages are shown; no handler hears it,
    /// as the panel is still being made.
    void ShowStartError(const QString &text);

private:
    QWidget *m_panel;
    bool m_showMessages;
    Handler m_handler;
    QString m_last;
};
