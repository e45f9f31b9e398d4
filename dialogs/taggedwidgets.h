#pragma once

#include <QString>

class QLabel;
class QPushButton;
class QWidget;

/// Widgets of the site file dialogs that carry a caption Tag, so that the caption loader
/// gives them the text of the chosen language.
class TaggedWidgets final
{
public:
    /// A field label named "lblLabels", owned by @p parent.
    static QLabel *label(const QString &text, const QString &tag, QWidget *parent);

    /// A button named @p name that is never the default button, owned by @p parent.
    static QPushButton *button(const QString &name,
                               const QString &text,
                               const QString &tag,
                               QWidget *parent);
};
