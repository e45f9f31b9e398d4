#pragma once

#include <QFont>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QtGlobal>

#include <optional>

class QWidget;

/// Loads the captions of a window from the string table (RoamStrings) by identifier, adding a
/// language offset: 0 gives the English texts, RoamStrings::HebrewOffset the Hebrew ones.
///
/// How a widget carries its identifier (set at construction, before the loader runs):
///
/// | Widget                                   | Where the identifier is kept                      |
/// |------------------------------------------|---------------------------------------------------|
/// | loaded window (dialog, host window)      | dynamic property "Tag" (QString), decimal text | |
/// QLabel, QPushButton                      | dynamic property "Tag", decimal text               |
/// | QGroupBox, QRadioButton, QCheckBox and   | dynamic property "Tag", leading number; the | | any
/// other widget                         | tooltip's leading number replaces the tooltip      | |
/// menu item (QAction, no "Key" property)   | its design text, decimal (e.g. "100")              |
/// | QTabBar tab (also inside a QTabWidget)   | tab data (QString Key), leading number: caption; |
/// |                                          | that number + 6: tooltip | | QToolBar button
/// (QAction in the toolbar) | dynamic property "Key" (QString), leading number:  | | | tooltip | |
/// QTreeWidget column header                | header item data(column, HeaderTagRole) (QString), |
/// |                                          | decimal text |
///
/// "Decimal text" is the whole text (surrounding blanks allowed) as a 16-bit integer; an empty or
/// non-numeric text means "no identifier". "Leading number" is the value of the leading digits,
/// 0 when the text does not start with a digit: "56a" reads 56, "\"72\"" reads 0. A caption is
/// replaced only when the table has a text for identifier + offset, so a widget without an
/// identifier keeps its design text in both languages.
///
/// The loaders walk the window's descendants: widgets that are windows of their own are left out
/// (they load their own captions), except menus, whose actions are the window's menu items.
/// Menu items are the QActions that are QObject children of the window's widgets (a QMenu
/// parented to the window, filled with QMenu::addAction). With the Hebrew offset the loaded window
/// and its menus are laid out right to left, with offset 0 left to right.
class CaptionLoader final
{
public:
    /// The design family of the panel's and the host's controls; mapped to the Hebrew font.
    static constexpr char FontFamily[] = "Miriam";
    /// The Hebrew font (Debian's culmus), the fallback for the letters the desktop's face lacks.
    static constexpr char HebrewFontFamily[] = "Miriam CLM";
    /// Dynamic property holding a widget's or window's identifier.
    static constexpr char TagProperty[] = "Tag";
    /// Dynamic property holding a toolbar button's Key.
    static constexpr char KeyProperty[] = "Key";
    /// Gives @p object the identifier @p tag that the loader looks its caption up by.
    static void setTag(QObject *object, const QString &tag)
    {
        object->setProperty(TagProperty, tag);
    }
    /// Role of a QTreeWidget header item's data that holds a column's identifier.
    static constexpr int HeaderTagRole = Qt::UserRole;

    /// The face of every loaded window: the desktop's UI font, at its size, with the Hebrew font
    /// after it in the font's families, so that Latin letters and digits keep one face and
    /// Hebrew comes from the Hebrew font.
    static QFont uiFont();

    /// Maps "Miriam" to the Culmus font "Miriam CLM" (with fallbacks) so that Hebrew renders.
    /// Call once at start-up, before any window is loaded.
    static void installFontSubstitutions();

    /// The panel's loader: every widget gets `uiFont()`, then its caption. Tab tooltips use the
    /// tab Key's number + 6. Loading again with another offset changes the language: menu
    /// items keep their identifier in their Tag once their caption became text.
    static void LoadResStrings1(QWidget *panel, qint16 l);
    /// The library dialogs' loader: the window title from the window's Tag, every widget
    /// `uiFont()`, then its caption.
    static void LoadFormCaptions(QWidget *form, qint16 l);
    /// The host windows' loader: the window title from the window's Tag, every widget
    /// `uiFont()`, then its caption. Tab tooltips use the leading number of the tab's
    /// current tooltip + 6. An embedded panel (a widget of a class named RoamPane1, in any
    /// namespace) gets the font but loads its own captions, so its contents are left alone.
    static void LoadResStrings(QWidget *form, qint16 lang);

    /// The value of the leading digits of \a text, 0 when it does not start with a digit.
    /// Saturates far beyond any identifier instead of overflowing.
    static qint64 leadingNumber(const QString &text);
    /// The whole of \a text as a 16-bit integer, or nothing when it is empty, not a number or out
    /// of range.
    static std::optional<qint16> decimalValue(const QString &text);
};
