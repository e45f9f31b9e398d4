#pragma once

#include <QLabel>

class RoamStore;

/// The status-bar warning about the record on disk: shown while the data folder is another
/// program's (nothing is recorded) or while records are kept in memory because writing them
/// failed, with the reason; hidden once everything is written.
class SaveStatePanel final : public QLabel
{
    Q_OBJECT

public:
    explicit SaveStatePanel(QWidget *parent = nullptr);

    /// Shows what `store` says now, in the language of offset `langOffset` (0 or 500).
    void Refresh(const RoamStore &store, qint16 langOffset);

    /// The warning for a read-only store, naming the folder and its holder.
    static QString readOnlyText(const RoamStore &store, qint16 langOffset);
    /// The warning for unsaved records, empty when there are none and no write failed.
    static QString unsavedText(const RoamStore &store, qint16 langOffset);
    /// The close question's text when records are still unsaved.
    static QString lostAtCloseText(const RoamStore &store, qint16 langOffset);
};
