#include "resources/biditext.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// The marks spelt out, so that a failure shows where they stand.
QString visible(const QString &text)
{
    QString shown = text;
    shown.replace(BidiText::LeftToRightIsolate, u"<LRI>"_s);
    shown.replace(BidiText::FirstStrongIsolate, u"<FSI>"_s);
    shown.replace(BidiText::PopDirectionalIsolate, u"<PDI>"_s);
    return shown;
}

TEST(BidiText, LeftToRightRunsAreIsolatedInRightToLeftText)
{
    // Rows: the text, the text as right-to-left text shows it.
    const std::pair<QString, QString> rows[] = {
        // A URL with digits and a port, as the status bar shows it.
        {u"127.0.0.1:8377/blog/2024/01"_s, u"<LRI>127.0.0.1:8377/blog/2024/01<PDI>"_s},
        // A date and time: one run, however many blanks it holds.
        {u"ביקור 7 Dec 2026 00:44:00"_s, u"ביקור <LRI>7 Dec 2026 00:44:00<PDI>"_s},
        // A count after a label: the colon belongs to the Hebrew label.
        {u"קבצי אתר שלא נקראו: 12"_s, u"קבצי אתר שלא נקראו: <LRI>12<PDI>"_s},
        // Sentence punctuation stays outside the run; a run ends at a Hebrew word.
        {u"הקובץ notes.txt, נשמר ב /tmp/x."_s,
         u"הקובץ <LRI>notes.txt<PDI>, נשמר ב <LRI>/tmp/x<PDI>."_s},
        // Nothing to isolate.
        {u"ההקלטה מושהית"_s, u"ההקלטה מושהית"_s},
        {u"- : -"_s, u"- : -"_s},
        {QString(), QString()},
        // Already isolated text is left alone.
        {u"\u2066a.b\u2069 שלום"_s, u"<LRI>a.b<PDI> שלום"_s},
    };
    for (const auto &[text, isolated] : rows) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(visible(BidiText::forDirection(text, Qt::RightToLeft)), isolated);
        EXPECT_EQ(BidiText::forDirection(text, Qt::LeftToRight), text);
        EXPECT_EQ(BidiText::withoutIsolates(BidiText::isolateLeftToRightRuns(text)),
                  BidiText::withoutIsolates(text));
    }
    EXPECT_EQ(visible(BidiText::leftToRight(u"a/b"_s)), u"<LRI>a/b<PDI>"_s);
    EXPECT_EQ(visible(BidiText::ownDirection(u"Python docs"_s)), u"<FSI>Python docs<PDI>"_s);
    EXPECT_EQ(BidiText::leftToRight(QString()), QString());
    EXPECT_EQ(BidiText::leftToRight(u"a/b"_s, Qt::LeftToRight), u"a/b"_s);
}

TEST(BidiText, UrlsReadDecodedButOnlyWhereThatIsSafe)
{
    // Rows: the URL as recorded, as it reads.
    const std::pair<QString, QString> rows[] = {
        // A Hebrew query reads as Hebrew; the ASCII escapes around it stay.
        {u"example.com/search?q=%D7%A9%D7%9C%D7%95%D7%9D%20x%2Fy"_s,
         u"example.com/search?q=שלום%20x%2Fy"_s},
        {u"he.wikipedia.org/wiki/%d7%90"_s, u"he.wikipedia.org/wiki/א"_s},
        // Not UTF-8 (a Latin-1 byte), a cut sequence, or no escape at all: unchanged.
        {u"site/caf%E9"_s, u"site/caf%E9"_s},
        {u"site/%D7"_s, u"site/%D7"_s},
        {u"site/%D7%"_s, u"site/%D7%"_s},
        {u"site/%zz%4"_s, u"site/%zz%4"_s},
        {u"plain/path"_s, u"plain/path"_s},
        // Characters that would reorder or hide the address stay escaped: RLO, no-break space.
        {u"site/%E2%80%AEfdp.exe"_s, u"site/%E2%80%AEfdp.exe"_s},
        {u"site/a%C2%A0b"_s, u"site/a%C2%A0b"_s},
        // Escaped text next to safe text: each run decides for itself.
        {u"%E2%80%AE/%D7%90"_s, u"%E2%80%AE/א"_s},
    };
    for (const auto &[url, readable] : rows)
        EXPECT_EQ(BidiText::readableUrl(url), readable) << url.toStdString();

    const QString url = u"127.0.0.1:8377/%D7%90?a=1"_s;
    EXPECT_EQ(visible(BidiText::displayUrl(url, Qt::RightToLeft)),
              u"<LRI>127.0.0.1:8377/א?a=1<PDI>"_s);
    EXPECT_EQ(BidiText::displayUrl(url, Qt::LeftToRight), u"127.0.0.1:8377/א?a=1"_s);
}

} // namespace
