#pragma once

#include <QString>

#include <functional>

class QWidget;

/// The host's small messages: a text and an OK button, titled with the program's name. The
/// windows that show one take a replacement, so that tests read the text without a modal loop.
class HostMessage final
{
public:
    using Show = std::function<void(QWidget *parent, const QString &text)>;

    /// Shows @p text modally over @p parent with OK only and no icon.
    static void okOnly(QWidget *parent, const QString &text);
};
