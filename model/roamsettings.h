#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>

/// Every setting of the program with its default; each setter writes at once.
class RoamSettings final
{
public:
    /// The per-user settings of organisation and application "Roamlog".
    RoamSettings();
    /// Settings in the INI file `iniFile` (tests point it into a temporary folder).
    explicit RoamSettings(const QString &iniFile);
    ~RoamSettings();

    /// Options/OnTop: "Stay on top" (stored "1" or "0"; default off).
    bool onTop() const;
    void setOnTop(bool onTop);

    /// Options/Lang: the language offset, 0 (English) or 500 (Hebrew); default 0.
    int lang() const;
    void setLang(int offset);

    /// Options/Quit: 0 never quit the browser, 1 always quit, 2 ask; default 2.
    int quit() const;
    void setQuit(int mode);

    /// Options/UrlOrDesc: 0 titles in the tree, 1 URLs; default 0.
    int urlOrDesc() const;
    void setUrlOrDesc(int choice);

    /// Setup/Path: the setup path as stored; empty when absent.
    QString setupPath() const;
    void setSetupPath(const QString &path);

    /// ToolBar/3 to ToolBar/9: a favorites button's folder and tooltip, "folder,tooltip";
    /// default "Favorites,Favorites".
    QString toolBar(int index) const;
    void setToolBar(int index, const QString &value);

    /// Options/NeverRecord: URL patterns never recorded; default empty.
    QStringList neverRecord() const;
    void setNeverRecord(const QStringList &patterns);

    /// Options/TaskFolder: the folder tasks are exported to; default
    /// ~/.local/share/calendars/roamlog.
    QString taskFolder() const;
    void setTaskFolder(const QString &folder);

    /// Options/KeepPageText: keep the visible text of recorded pages for searching (stored
    /// "1" or "0"; default on).
    bool keepPageText() const;
    void setKeepPageText(bool keep);

    /// The setup path in use: Setup/Path, or the per-user data location when it is absent.
    QString effectiveSetupPath() const;
    /// The data folder: the setup path in use followed by "Data", native separators.
    QString dataFolder() const;

    /// The underlying store, for settings kept by Qt classes themselves.
    QSettings &store() { return *m_settings; }

private:
    int intValue(const QString &key, int fallback) const;
    void write(const QString &key, const QVariant &value);

    std::unique_ptr<QSettings> m_settings;
};
