#pragma once

#include <QString>
#include <QStringList>

class QMenu;

/// Access keys (the underlined letter, "&" in a caption) for menus whose captions come from the
/// string table without one, in either language.
class AccessKeys final
{
public:
    /// Gives every item of @p menu that has no access key the first letter or digit of its
    /// caption that no other item of the menu uses yet; an item whose letters are all taken
    /// stays without one. Items that already have an access key keep it.
    static void assign(QMenu *menu);
    /// The same for a list of captions: returns them with "&" placed as `assign` would.
    static QStringList assigned(const QStringList &captions);
    /// The access key of @p caption (lower case), or a null character when it has none.
    static QChar keyOf(const QString &caption);
};
