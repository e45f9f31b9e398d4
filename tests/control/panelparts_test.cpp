#include "control/panelmessages.h"
#include "control/panelstatusbar.h"
#include "resources/roamstrings.h"

#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(PanelMessages, AHandlerAnswersElseTheFallbackWithoutBoxes)
{
    QWidget panel;
    PanelMessages messages(false, &panel);
    EXPECT_TRUE(messages.Last().isEmpty());
    EXPECT_EQ(messages.Ask(QMessageBox::Warning, u"one"_s, QMessageBox::Ok, QMessageBox::Ok),
              QMessageBox::Ok);
    EXPECT_EQ(messages.Last(), u"one"_s);
    EXPECT_FALSE(messages.Confirm(u"two?"_s));
    EXPECT_EQ(messages.Last(), u"two?"_s);

    const struct
    {
        QMessageBox::StandardButton answer;
        bool confirmed;
    } cases[] = {{QMessageBox::Yes, true}, {QMessageBox::No, false}, {QMessageBox::Ok, false}};
    for (const auto &row : cases) {
        QMessageBox::Icon heard = QMessageBox::NoIcon;
        messages.SetHandler([&](QMessageBox::Icon icon, const QString &) {
            heard = icon;
            return row.answer;
        });
        EXPECT_EQ(messages.Confirm(u"sure?"_s), row.confirmed) << int(row.answer);
        EXPECT_EQ(heard, QMessageBox::Question);
    }
    // A start error is not the host's to answer, and is not a message it can read back.
    messages.ShowStartError(u"broken"_s);
    EXPECT_EQ(messages.Last(), u"sure?"_s);
}

TEST(PanelStatusBar, PanelsKeepTheirNamesAndTexts)
{
    QWidget panel;
    PanelStatusBar bar(&panel);
    EXPECT_EQ(bar.objectName(), u"sbrDB"_s);
    for (const QString &name :
         {u"sbrDBPanel1"_s, u"sbrDBUnreadable"_s, u"sbrDBPaused"_s, u"sbrDBSaveState"_s})
        EXPECT_NE(bar.findChild<QLabel *>(name), nullptr) << name.toStdString();

    bar.SetText(u"see https://example.com/ now"_s, Qt::LeftToRight);
    EXPECT_EQ(bar.Text(), u"see https://example.com/ now"_s);
    bar.SetText(u"ראו https://example.com/"_s, Qt::RightToLeft);
    EXPECT_NE(bar.Text(), u"ראו https://example.com/"_s);
    EXPECT_TRUE(bar.Text().contains(u"https://example.com/"_s));

    panel.show();
    bar.ShowPaused(true, 0);
    EXPECT_TRUE(bar.PausedPanel()->isVisibleTo(&panel));
    EXPECT_EQ(bar.PausedPanel()->text(), RoamStrings::text(123, 0));
    bar.ShowPaused(false, RoamStrings::HebrewOffset);
    EXPECT_FALSE(bar.PausedPanel()->isVisibleTo(&panel));
    EXPECT_EQ(bar.PausedPanel()->text(), RoamStrings::text(123, RoamStrings::HebrewOffset));

    const auto *first = bar.findChild<QLabel *>(u"sbrDBPanel1"_s);
    bar.LoadTexts(RoamStrings::HebrewOffset);
    EXPECT_TRUE(first->alignment() & Qt::AlignRight);
    bar.LoadTexts(0);
    EXPECT_TRUE(first->alignment() & Qt::AlignLeft);
}
