#pragma once

#include <QStatusBar>

class QLabel;
class RoamStore;
class SaveStatePanel;

/// The panel's status bar: a stretching panel for what the panel has to say, then the count of
/// files of the data folder that could not be read, "Recording paused" while the recording is
/// paused, and the warning about what is not yet written to disk.
class PanelStatusBar final : public QStatusBar
{
    Q_OBJECT

public:
    explicit PanelStatusBar(QWidget *parent = nullptr);

    /// The text of the first panel.
    QString Text() const;
    /// Shows @p text in the first panel; for a right-to-left @p direction its left-to-right runs
    /// (URLs, numbers, dates) are isolated so that they read in their own order.
    void SetText(const QString &text, Qt::LayoutDirection direction);

    /// Loads the texts and alignment of the language of offset @p langOffset (0 or 500).
    void LoadTexts(qint16 langOffset);
    /// Shows or hides "Recording paused", in the language of offset @p langOffset.
    void ShowPaused(bool paused, qint16 langOffset);
    /// Shows how many files of @p store's data folder are not (wholly) in the record; hidden
    /// when there are none.
    void ShowUnreadableCount(const RoamStore &store,
                             qint16 langOffset,
                             Qt::LayoutDirection direction);
    /// Shows what @p store says now about its writes.
    void RefreshSaveState(const RoamStore &store, qint16 langOffset);
    /// Shows that @p store's data folder belongs to another program, tells the standard error
    /// so, and returns the text of the warning.
    QString ReportReadOnly(const RoamStore &store, qint16 langOffset);

    QLabel *PausedPanel() const { return m_pausedPanel; }

private:
    QLabel *m_statusPanel = nullptr;
    QLabel *m_unreadablePanel = nullptr;
    QLabel *m_pausedPanel = nullptr;
    SaveStatePanel *m_saveStatePanel = nullptr;
};
