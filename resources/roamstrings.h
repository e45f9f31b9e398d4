#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

/// The string table of Roamlog: every translatable text of the panel, the library's dialogs and
/// the host's windows, looked up by identifier. The English text of identifier N is at N and its
/// Hebrew text at N + HebrewOffset; an identifier without a text does not exist and is reported
/// as missing, never as an empty text.
class RoamStrings final
{
public:
    /// Added to an English identifier to reach its Hebrew twin.
    static constexpr int HebrewOffset = 500;

    /// Puts the text of \a id into \a text (when not null) and returns true; returns false and
    /// leaves \a text alone when the table has no text under \a id.
    static bool lookup(int id, QString *text);
    /// The text of \a id, or nothing when the table has none.
    static std::optional<QString> text(int id);
    /// The text of \a id in the language of \a langOffset (0 or HebrewOffset); the English
    /// text when that language has none, and an empty text when neither exists.
    static QString text(int id, int langOffset);
    static bool contains(int id);
    /// Every identifier that has a text, in ascending order.
    static QList<int> identifiers();

    /// Design texts of the panel that carry no identifier and read the same in both languages.
    static constexpr QStringView BrowserFrameText = u"Browser";
    static constexpr QStringView TreeViewFrameText = u"TreeView";
    static constexpr QStringView RoamlogFrameText = u"Roamlog";
    static constexpr QStringView NeverQuitText = u"Never quit";
    static constexpr QStringView AlwaysQuitText = u"Allways quit";
    static constexpr QStringView AskText = u"Ask";
    static constexpr QStringView StayOnTopText = u"Stay on top";
    static constexpr QStringView DescriptionInTreeText = u"Description in Tree";
    static constexpr QStringView UrlsInTreeText = u"Urls in Tree";
    static constexpr QStringView HebrewText = u"Hebrew";
    static constexpr QStringView AddToTasksText = u"Add to tasks";
    static constexpr QStringView ChangeFolderText = u"Change folder";
};
