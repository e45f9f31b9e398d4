#include "panelmessages.h"

#include "resources/biditext.h"

#include <QWidget>

using namespace Qt::StringLiterals;

PanelMessages::PanelMessages(bool showMessages, QWidget *panel)
    : QObject(panel)
    , m_panel(panel)
    , m_showMessages(showMessages)
{ }

QMessageBox::StandardButton PanelMessages::Ask(QMessageBox::Icon icon,
                                               const QString &text,
                                               QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton fallback)
{
    m_last = text;
    if (m_handler)
        return m_handler(icon, text);
    if (!m_showMessages)
        return fallback;
    const Qt::LayoutDirection direction = m_panel->layoutDirection();
    QMessageBox box(icon, u"Roamlog"_s, BidiText::forDirection(text, direction), buttons, m_panel);
    box.setLayoutDirection(direction);
    box.setDefaultButton(fallback);
    return QMessageBox::StandardButton(box.exec());
}

bool PanelMessages::Confirm(const QString &question)
{
    return Ask(QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
           == QMessageBox::Yes;
}

void PanelMessages::Notify(QMessageBox::Icon icon, const QString &text)
{
    Ask(icon, text);
}

void PanelMessages::ShowStartError(const QString &text)
{
    if (!m_showMessages)
        return;
    QMessageBox box(QMessageBox::Critical,
                    u"Roamlog"_s,
                    BidiText::forDirection(text, m_panel->layoutDirection()),
                    QMessageBox::Ok,
                    m_panel);
    box.exec();
}
