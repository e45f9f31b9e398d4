#pragma once

#include <QIcon>

/// The pictures of Roamlog, drawn for it and compiled in as scalable icons.
///
/// Tree image numbers (the tree's image list; a tab's image number is also its outline's root):
///  1 Current outline (clock)          7 Options page (sliders)
///  2 page (spare)                     8 Query page (magnifier)
///  3 Chrono outline, session node     9 note (spare)
///  4 Activities outline (download)   10 site node, visited while running
///  5 downloaded file (spare)         11 site node, not visited while running
///  6 Sites outline (globe)
///
/// Tabs, in tab order 1 to 6: Current, Sites, Chrono, Activities, Query, Options, with the image
/// numbers 1, 6, 3, 4, 8, 7. Toolbar buttons, in button order 1 to 9: Pause, Record, then the
/// favorites buttons 1 to 7, each star marked with its number.
class RoamIcons final
{
public:
    static constexpr int FirstImage = 1;
    static constexpr int LastImage = 11;
    static constexpr int TabCount = 6;
    static constexpr int ToolbarButtonCount = 9;

    /// The tree picture of \a imageNumber; a null icon for a number without one.
    static QIcon image(int imageNumber);
    /// The image number of the tab at \a tabIndex (1 to 6), 0 for any other index.
    static int tabImageNumber(int tabIndex);
    /// The picture of the tab at \a tabIndex (1 to 6); a null icon for any other index.
    static QIcon tabImage(int tabIndex);
    /// The picture of the toolbar button at \a buttonIndex (1 to 9); a null icon otherwise.
    static QIcon toolbarImage(int buttonIndex);
    /// The program's icon, also installed for the desktop entry.
    static QIcon appIcon();
};
