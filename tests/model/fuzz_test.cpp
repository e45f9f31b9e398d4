#include "modelfixture.h"

#include <QRandomGenerator>

using namespace modeltest;
using namespace Qt::StringLiterals;

namespace {

QByteArray sampleFile(QRandomGenerator &random)
{
    CFile file;
    file.SetURL(u"site/p"_s + QString::number(random.bounded(1000)) + u"?q=\"x\""_s);
    file.Title = u"Title, \"quoted\" עברית"_s;
    file.Note = u"note\r\nsecond"_s;
    const QDateTime base = at(2020, 1, 1, 8);
    const int visits = int(random.bounded(6));
    for (int i = 0; i < visits; ++i) {
        const QDateTime start = base.addSecs(i * 61);
        file.Sessions.Add(visit(
            base, start, i % 2 ? zeroDateTime() : start.addSecs(30), i % 3 ? QString() : u"a=b"_s));
    }
    if (random.bounded(2)) {
        CActivity act;
        act.Session = base;
        act.Location = u"http://h/f.zip"_s;
        act.Key = base.addDays(1);
        file.Activities.Add(act);
    }
    return file.toBytes();
}

QByteArray mutate(QByteArray bytes, QRandomGenerator &random)
{
    static const char specials[] = "\",#\r\n 0123456789-:S A";
    const int edits = 1 + int(random.bounded(8));
    for (int e = 0; e < edits; ++e) {
        const qsizetype size = bytes.size();
        const qsizetype pos = size ? qsizetype(random.bounded(quint32(size))) : 0;
        switch (random.bounded(6)) {
        case 0:
            if (size)
                bytes[pos] = char(random.bounded(256));
            break;
        case 1:
            bytes.insert(pos, specials[random.bounded(int(sizeof(specials) - 1))]);
            break;
        case 2:
            bytes.remove(pos, qsizetype(random.bounded(20)));
            break;
        case 3:
            bytes.truncate(pos);
            break;
        case 4:
            bytes.insert(pos, bytes.mid(pos, qsizetype(random.bounded(80))));
            break;
        default:
            // A huge count where a count or a number stands.
            bytes.insert(pos, "2147483647");
            break;
        }
    }
    return bytes;
}

} // namespace

TEST(Fuzz, ReadSurvivesRandomAndMutatedFiles)
{
    QRandomGenerator random(20240601);
    QTemporaryDir dir;
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        QByteArray bytes(qsizetype(random.bounded(400)), Qt::Uninitialized);
        if (round % 5 == 0) {
            for (char &c : bytes)
                c = char(random.bounded(256));
        } else {
            bytes = mutate(sampleFile(random), random);
        }
        CFile file;
        bool ok;
        if (round % 50 == 0) {
            writeAll(dir.filePath(u"f.smf"_s), bytes);
            ok = file.Read(dir.filePath(u"f.smf"_s));
        } else {
            ok = file.fromBytes(bytes);
        }
        // Every record read needs at least one field of the file.
        ASSERT_LE(file.Sessions.Count() + file.Activities.Count(), bytes.size() + 1);
        if (!ok)
            continue;
        ++accepted;
        ASSERT_FALSE(file.URL().isEmpty());
        // Whatever was read is written so that it reads back the same.
        const QByteArray written = file.toBytes();
        CFile again;
        ASSERT_TRUE(again.fromBytes(written)) << written.constData();
        ASSERT_EQ(again.toBytes(), written) << "input: " << bytes.toHex().constData();
    }
    EXPECT_GT(accepted, 1000);
}
