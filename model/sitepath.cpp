#include "sitepath.h"

#include <algorithm>

namespace {
/// The folder of the path set last, which the next path of the same folder shares.
thread_local QString lastFolder;
} // namespace

void SitePath::assign(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const QStringView name = QStringView(path).sliced(slash + 1);
    const bool inlined = slash >= 0 && !name.isEmpty() && name.size() <= qsizetype(m_name.size())
                         && std::all_of(
                             name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x100; });
    if (!inlined) {
        m_head = path;
        m_nameSize = 0;
        return;
    }
    const QStringView folder = QStringView(path).first(slash + 1);
    if (lastFolder != folder)
        lastFolder = folder.toString();
    m_head = lastFolder;
    for (qsizetype i = 0; i < name.size(); ++i)
        m_name[size_t(i)] = char(name[i].unicode());
    m_nameSize = quint8(name.size());
}

QString SitePath::toString() const
{
    if (m_nameSize == 0)
        return m_head;
    QString path;
    path.reserve(m_head.size() + m_nameSize);
    path.append(m_head);
    path.append(name());
    return path;
}

bool operator==(const SitePath &a, QStringView b)
{
    if (a.m_nameSize == 0)
        return QStringView(a.m_head) == b;
    return b.size() == a.size() && b.startsWith(a.m_head) && b.sliced(a.m_head.size()) == a.name();
}

bool operator==(const SitePath &a, const QString &b)
{
    return a == QStringView(b);
}

bool operator==(const SitePath &a, const SitePath &b)
{
    return a == QStringView(b.toString());
}
