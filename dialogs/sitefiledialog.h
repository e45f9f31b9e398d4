#pragma once

#include "model/roamstore.h"
#include "views/waitcursor.h"

#include <QString>

#include <optional>

class QWidget;

/// Shows `Dialog` modally on the site record keyed @p selectedUrl: `GetCFile` fills the store's
/// exchange fields, the dialog is built from them in the language @p langOffset and shown, and
/// `SetCFile` writes the record back however the dialog was closed. The hourglass shows while
/// the record is read and written. Shows nothing and returns false when the store has no such
/// record; otherwise returns whether the site file was written.
template<typename Dialog>
bool runSiteFileDialog(RoamStore &store,
                       const QString &selectedUrl,
                       qint16 langOffset,
                       QWidget *parent)
{
    std::optional<Dialog> dialog;
    {
        WaitCursor wait;
        if (!store.GetCFile(selectedUrl))
            return false;
        dialog.emplace(store, langOffset, parent);
    }
    dialog->exec();
    WaitCursor wait;
    return store.SetCFile(selectedUrl);
}
