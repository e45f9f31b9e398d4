#include "control/panelmessages.h"

#include <QWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Only a Yes confirms (a delete asks); without a handler nothing is confirmed and no box shows.
TEST(PanelMessages, OnlyYesConfirmsAndAStartErrorIsNotTheHostsToAnswer)
{
    QWidget panel;
    PanelMessages messages(false, &panel);
    EXPECT_FALSE(messages.Confirm(u"two?"_s));
    EXPECT_EQ(messages.Last(), u"two?"_s);
    const struct
    {
        QMessageBox::StandardButton answer;
        bool confirmed;
    } rows[] = {{QMessageBox::Yes, true}, {QMessageBox::No, false}, {QMessageBox::Ok, false}};
    for (const auto &row : rows) {
        QMessageBox::Icon heard = QMessageBox::NoIcon;
        messages.SetHandler([&](QMessageBox::Icon icon, const QString &) {
            heard = icon;
            return row.answer;
        });
        EXPECT_EQ(messages.Confirm(u"sure?"_s), row.confirmed) << int(row.answer);
        EXPECT_EQ(heard, QMessageBox::Question);
    }
    messages.ShowStartError(u"broken"_s);
    EXPECT_EQ(messages.Last(), u"sure?"_s);
}

} // namespace
