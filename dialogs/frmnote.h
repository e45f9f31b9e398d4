#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;
class RoamStore;

/// The note dialog: shows one site's URL, title, visited mark and note from the store's
/// exchange fields and copies them back into those fields on Update. Only the note and the
/// visited mark ever reach the record (through `RoamStore::SetCFile`).
///
/// Object names, for callers and tests: "txtFields0" (URL), "txtFields1" (title),
/// "chkFields2" (visited), "txtFields3" (note), "cmdUpdate", "cmdClose", "picButtons".
class frmNote final : public QDialog
{
    Q_OBJECT
public:
    /// Loads the captions in the language `langOffset` (0 or 500) and fills the fields from
    /// the exchange fields of `store`, which must outlive the dialog.
    frmNote(RoamStore &store, qint16 langOffset, QWidget *parent = nullptr);

    /// The whole Note command for the site keyed `selectedUrl`: `GetCFile`, the dialog shown
    /// modally, then `SetCFile` however the dialog was closed. When the store has no such
    /// record nothing is shown and false is returned; otherwise returns whether the site file
    /// was written. Taking the host window off the top around it is the caller's part.
    static bool run(RoamStore &store,
                    const QString &selectedUrl,
                    qint16 langOffset,
                    QWidget *parent);

private:
    void cmdUpdate_Click();
    void cmdClose_Click();

    RoamStore &m_store;
    QLineEdit *m_url = nullptr;
    QLineEdit *m_title = nullptr;
    QCheckBox *m_visited = nullptr;
    QPlainTextEdit *m_note = nullptr;
    // The URL as recorded and as shown: an untouched field gives the recorded one back.
    QString m_exactUrl;
    QString m_shownUrl;
};
