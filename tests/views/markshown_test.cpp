#include "views/outlinebuilder.h"

#include "model/cfile.h"
#include "model/cfiles.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Which records an outline of some records shows: the hits (2) and, by path, the records
// above them (1), so that each hit hangs under its host.
TEST(MarkShown, HitsAndTheRecordsAboveThemByPath)
{
    const struct
    {
        const char *name;
        QStringList urls; // a leading "*" marks a hit
        std::vector<char> expected;
    } rows[] = {
        {"a prefix not ending at a slash is not above", {u"site"_s, u"*site2/y"_s}, {0, 2}},
        {"a record between a host and its page", {u"a"_s, u"a-c"_s, u"*a/b"_s}, {1, 0, 2}},
        {"every level up to the host, gaps skipped", {u"a"_s, u"a/b/"_s, u"*a/b/c/d"_s}, {1, 1, 2}},
        {"a hit ending in a slash still finds its host",
         {u"h"_s, u"*h/a/"_s, u"*h/a/b"_s},
         {1, 2, 2}},
        {"with and without the slash", {u"h"_s, u"h/"_s, u"*h/x"_s}, {1, 1, 2}},
        {"letter case ignored", {u"Host"_s, u"*host/x"_s}, {1, 2}},
        {"hits above hits", {u"*a"_s, u"*a/b"_s, u"a/c"_s}, {2, 2, 0}},
        {"a second hit under a shown host",
         {u"h"_s, u"h/a"_s, u"*h/a/x"_s, u"*h/a/y"_s, u"h2"_s},
         {1, 1, 2, 2, 0}},
        {"no hits", {u"a"_s, u"a/b"_s}, {0, 0}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        CFiles files;
        QStringList hits;
        for (QString url : row.urls) {
            if (url.startsWith(u'*'))
                hits << url.remove(0, 1);
            auto file = std::make_shared<CFile>();
            file->SetURL(url);
            ASSERT_TRUE(files.Add(file, url));
        }
        int found = -1;
        const std::vector<char> shown = OutlineBuilder::MarkShown(
            files, [&](const CFile &file) { return hits.contains(file.URL()); }, &found);
        EXPECT_EQ(std::vector<char>(shown.begin() + 1, shown.end()), row.expected);
        EXPECT_EQ(found, hits.size());
    }

    // Records kept in the order they came: the host found after its page.
    CFiles unordered;
    ASSERT_TRUE(unordered.SetSorted(false));
    for (const QString &url : {u"h/x"_s, u"h"_s, u"g"_s}) {
        auto file = std::make_shared<CFile>();
        file->SetURL(url);
        ASSERT_TRUE(unordered.Add(file, url));
    }
    const std::vector<char> shown = OutlineBuilder::MarkShown(
        unordered, [](const CFile &file) { return file.URL() == u"h/x"_s; });
    EXPECT_EQ(shown, std::vector<char>({0, 2, 1, 0}));
}

} // namespace
