#include "fakepanel.h"

using namespace Qt::StringLiterals;

void FakePanel::SetUrl(const QString &url)
{
    m_log.append(u"SetUrl "_s + url);
    if (m_duringSetUrl) {
        const auto during = std::exchange(m_duringSetUrl, nullptr);
        during(url);
    }
}

void FakePanel::SetSession(bool sEnd)
{
    m_log.append(sEnd ? u"SetSession 1"_s : u"SetSession 0"_s);
}
