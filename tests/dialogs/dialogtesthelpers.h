#pragma once

#include "model/cfile.h"
#include "model/clock.h"
#include "model/roamstore.h"

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace dialogtest {

inline QDateTime at(int y, int mo, int d, int h, int mi, int sec = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, sec));
}

/// Runs `act` on the first modal dialog that shows (the caller then enters `exec`) and sets
/// `*shown`, for as long as the returned watch lives.
[[nodiscard]] inline std::unique_ptr<QTimer> whenModal(std::function<void(QWidget *)> act,
                                                       bool *shown = nullptr)
{
    auto watch = std::make_unique<QTimer>();
    QObject::connect(watch.get(), &QTimer::timeout, [watch = watch.get(), act, shown] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            watch->stop();
            if (shown)
                *shown = true;
            act(modal);
        }
    });
    watch->start(10);
    return watch;
}

inline void clickButton(QWidget *dialog, const QString &name)
{
    auto *button = dialog->findChild<QPushButton *>(name);
    ASSERT_NE(button, nullptr) << name.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

/// Replaces what a line or text field holds by typing `text` into it.
inline void typeInto(QWidget *dialog, const QString &name, const QString &text)
{
    QWidget *field = dialog->findChild<QWidget *>(name);
    ASSERT_NE(field, nullptr) << name.toStdString();
    if (auto *line = qobject_cast<QLineEdit *>(field))
        line->selectAll();
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(field))
        plain->selectAll();
    QTest::keyClicks(field, text);
}

/// Dates and times in the C locale's words while it lives, whatever the machine's locale.
struct CLocale
{
    CLocale() { QLocale::setDefault(QLocale::c()); }
    ~CLocale() { QLocale::setDefault(QLocale::system()); }
};

/// A data folder in a temporary directory with a store on a manual clock.
struct Fixture
{
    QTemporaryDir tmp;
    ManualClock clock {at(2024, 3, 5, 10, 15)};
    std::unique_ptr<RoamStore> store;

    Fixture() { store = std::make_unique<RoamStore>(tmp.filePath(QStringLiteral("Data")), clock); }

    /// A site record with a file in the data folder, registered in the store and saved.
    CFilePtr addSite(const QString &url, const QString &title, const QString &note)
    {
        QDir().mkpath(store->dataFolder());
        auto file = std::make_shared<CFile>();
        file->SetURL(url);
        file->Title = title;
        file->Note = note;
        file->FileName = QDir(store->dataFolder())
                             .filePath(QStringLiteral("site%1.smf").arg(store->Files.Count()));
        store->Files.Add(file, url);
        file->Save();
        return file;
    }

    /// The record as its file holds it now.
    CFile reread(const CFilePtr &file) const
    {
        CFile copy;
        copy.Read(file->FileName);
        return copy;
    }
};

} // namespace dialogtest
