#include "accesskeys.h"

#include <QAction>
#include <QMenu>

#include <QSet>

QChar AccessKeys::keyOf(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) != u'&')
            continue;
        if (caption.at(i + 1) == u'&') {
            ++i; // "&&" is a literal ampersand
            continue;
        }
        return caption.at(i + 1).toLower();
    }
    return QChar();
}

QStringList AccessKeys::assigned(const QStringList &captions)
{
    QSet<QChar> used;
    for (const QString &caption : captions) {
        const QChar key = keyOf(caption);
        if (!key.isNull())
            used.insert(key);
    }
    QStringList result;
    result.reserve(captions.size());
    for (const QString &caption : captions) {
        QString text = caption;
        if (keyOf(caption).isNull()) {
            for (qsizetype i = 0; i < text.size(); ++i) {
                const QChar c = text.at(i);
                if (!c.isLetterOrNumber() || used.contains(c.toLower()))
                    continue;
                used.insert(c.toLower());
                text.insert(i, u'&');
                break;
            }
        }
        result.append(text);
    }
    return result;
}

void AccessKeys::assign(QMenu *menu)
{
    if (!menu)
        return;
    QList<QAction *> items;
    QStringList captions;
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        if (action->isSeparator() || action->text().isEmpty())
            continue;
        items.append(action);
        captions.append(action->text());
    }
    const QStringList keyed = assigned(captions);
    for (qsizetype i = 0; i < items.size(); ++i)
        items.at(i)->setText(keyed.at(i));
}
