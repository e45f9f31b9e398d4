#include "roamsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {
const QString keyOnTop = u"Options/OnTop"_s;
const QString keyLang = u"Options/Lang"_s;
const QString keyQuit = u"Options/Quit"_s;
const QString keyUrlOrDesc = u"Options/UrlOrDesc"_s;
const QString keyNeverRecord = u"Options/NeverRecord"_s;
const QString keyTaskFolder = u"Options/TaskFolder"_s;
const QString keySetupPath = u"Setup/Path"_s;
const QString keyKeepPageText = u"Options/KeepPageText"_s;

QString toolBarKey(int index)
{
    return u"ToolBar/"_s + QString::number(index);
}
} // namespace

RoamSettings::RoamSettings()
    : m_settings(std::make_unique<QSettings>(u"Roamlog"_s, u"Roamlog"_s))
{ }

RoamSettings::RoamSettings(const QString &iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{ }

RoamSettings::~RoamSettings() = default;

int RoamSettings::intValue(const QString &key, int fallback) const
{
    bool ok = false;
    const int value = m_settings->value(key).toString().trimmed().toInt(&ok);
    return ok ? value : fallback;
}

void RoamSettings::write(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
    // The settings name the user's folders and never-record rules: theirs alone to read.
    const QString file = m_settings->fileName();
    if (QFileInfo(file).isFile())
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool RoamSettings::onTop() const
{
    return intValue(keyOnTop, 0) != 0;
}

void RoamSettings::setOnTop(bool onTop)
{
    write(keyOnTop, onTop ? u"1"_s : u"0"_s);
}

int RoamSettings::lang() const
{
    return intValue(keyLang, 0);
}

void RoamSettings::setLang(int offset)
{
    write(keyLang, QString::number(offset));
}

int RoamSettings::quit() const
{
    return intValue(keyQuit, 2);
}

void RoamSettings::setQuit(int mode)
{
    write(keyQuit, QString::number(mode));
}

int RoamSettings::urlOrDesc() const
{
    return intValue(keyUrlOrDesc, 0);
}

void RoamSettings::setUrlOrDesc(int choice)
{
    write(keyUrlOrDesc, QString::number(choice));
}

QString RoamSettings::setupPath() const
{
    return m_settings->value(keySetupPath).toString();
}

void RoamSettings::setSetupPath(const QString &path)
{
    write(keySetupPath, path);
}

QString RoamSettings::toolBar(int index) const
{
    return m_settings->value(toolBarKey(index), u"Favorites,Favorites"_s).toString();
}

void RoamSettings::setToolBar(int index, const QString &value)
{
    write(toolBarKey(index), value);
}

QStringList RoamSettings::neverRecord() const
{
    return m_settings->value(keyNeverRecord).toStringList();
}

void RoamSettings::setNeverRecord(const QStringList &patterns)
{
    write(keyNeverRecord, patterns);
}

QString RoamSettings::taskFolder() const
{
    const QString fallback = QDir::homePath() + u"/.local/share/calendars/roamlog"_s;
    return m_settings->value(keyTaskFolder, QDir::toNativeSeparators(fallback)).toString();
}

void RoamSettings::setTaskFolder(const QString &folder)
{
    write(keyTaskFolder, folder);
}

bool RoamSettings::keepPageText() const
{
    return intValue(keyKeepPageText, 1) != 0;
}

void RoamSettings::setKeepPageText(bool keep)
{
    write(keyKeepPageText, keep ? u"1"_s : u"0"_s);
}

QString RoamSettings::effectiveSetupPath() const
{
    const QString stored = setupPath();
    if (!stored.isEmpty())
        return stored;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString RoamSettings::dataFolder() const
{
    return QDir::toNativeSeparators(QDir::cleanPath(effectiveSetupPath() + u"/Data"_s));
}
