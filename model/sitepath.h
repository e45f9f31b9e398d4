#pragma once

#include <QString>

#include <array>

/// The full path of a site file, kept in little room: a hundred thousand records name files in
/// one folder, so the folder is one string all of them share and each keeps only its file's own
/// name, inline when short. Reads as the QString path it was given, character for character.
class SitePath final
{
public:
    SitePath() = default;
    /// The path `path`; see `operator=`.
    explicit SitePath(const QString &path) { assign(path); }

    /// Sets the path, sharing the folder part with the path set before on this thread when the
    /// two are the same.
    SitePath &operator=(const QString &path)
    {
        assign(path);
        return *this;
    }

    /// The path as given.
    QString toString() const;
    operator QString() const { return toString(); } // NOLINT: stands in for a QString

    bool isEmpty() const { return m_nameSize == 0 && m_head.isEmpty(); }
    qsizetype size() const { return m_head.size() + m_nameSize; }

    friend bool operator==(const SitePath &a, const SitePath &b);
    friend bool operator==(const SitePath &a, const QString &b);
    friend bool operator==(const SitePath &a, QStringView b);

private:
    void assign(const QString &path);
    QLatin1StringView name() const { return QLatin1StringView(m_name.data(), m_nameSize); }

    /// The folder up to its last "/" when the name is inline, else the whole path.
    QString m_head;
    /// The file's own name when short and Latin-1.
    std::array<char, 23> m_name {};
    quint8 m_nameSize = 0;
};
