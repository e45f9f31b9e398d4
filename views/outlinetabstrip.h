#pragma once

#include <QTabBar>

/// The panel's row of tabs, one for each outline or page in `OutlineTabs`, each with its Tag as
/// its first caption and its caption's identifier (with "a") as its data for the caption loader.
class OutlineTabStrip final : public QTabBar
{
    Q_OBJECT

public:
    explicit OutlineTabStrip(QWidget *parent = nullptr);

    /// The Tag of tab @p index (0 to 5); empty for another index.
    static QString Tag(int index);
    /// The Tag of the selected tab.
    QString SelectedTag() const;
    /// Fits the tabs to @p width: their pictures go first, then the captions stay whole and
    /// the strip scrolls.
    void FitWidth(int width);

signals:
    /// Another tab was selected, or the selected one was clicked again.
    void chosen();
};
