#include "fakebrowser.h"

using namespace Qt::StringLiterals;

void FakeBrowser::start(const Options &startOptions)
{
    options = startOptions;
    m_calls.append(u"start"_s);
    m_running = true;
}

void FakeBrowser::Navigate(const QString &url)
{
    m_calls.append(u"Navigate "_s + url);
}

void FakeBrowser::setVisible(bool visible)
{
    m_visible = visible;
    m_calls.append(visible ? u"Visible 1"_s : u"Visible 0"_s);
}

void FakeBrowser::Quit()
{
    m_calls.append(u"Quit"_s);
    if (m_quitEmitsAtOnce && m_running) {
        m_running = false;
        emit OnQuit();
    }
}

void FakeBrowser::show(const QString &url, const QString &title)
{
    m_location = url;
    m_title = title.isEmpty() ? url : title;
}

void FakeBrowser::browse(const QString &url, const QString &title)
{
    emit BeforeNavigate(url);
    show(url, title);
    emit NavigateComplete(url);
    if (!title.isEmpty())
        emit TitleChange(title);
}
