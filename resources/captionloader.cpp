#include "captionloader.h"

#include "roamstrings.h"

#include <QAbstractButton>
#include <QAction>
#include <QFont>
#include <QFontInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QList>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QWidget>

#include <limits>

namespace {

enum class Loader { Panel, Dialog, Host };

bool resource(qint64 id, QString *text)
{
    if (id < 0 || id > std::numeric_limits<int>::max())
        return false;
    return RoamStrings::lookup(int(id), text);
}

// The identifier and the offset are both 16-bit, and so is their sum: a sum out of range is no
// identifier at all.
bool decimalResource(const QVariant &value, qint16 l, QString *text)
{
    const std::optional<qint16> base = CaptionLoader::decimalValue(value.toString());
    if (!base)
        return false;
    const int id = *base + l;
    if (id < std::numeric_limits<qint16>::min() || id > std::numeric_limits<qint16>::max())
        return false;
    return resource(id, text);
}

bool setCaption(QWidget *widget, const QString &text)
{
    if (auto *group = qobject_cast<QGroupBox *>(widget)) {
        group->setTitle(text);
        return true;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        button->setText(text);
        return true;
    }
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        label->setText(text);
        return true;
    }
    return false;
}

// Matched by class name, namespaced or not: the panel is the one widget the host embeds that
// loads its own captions.
bool isPanel(const QObject *object)
{
    for (const QMetaObject *meta = object->metaObject(); meta; meta = meta->superClass()) {
        const QLatin1String name(meta->className());
        if (name == QLatin1String("RoamPane1") || name.endsWith(QLatin1String("::RoamPane1")))
            return true;
    }
    return false;
}

struct Controls
{
    QList<QWidget *> widgets;
    QList<QAction *> actions;
};

void collect(QObject *parent, Loader loader, Controls &controls)
{
    for (QObject *child : parent->children()) {
        if (auto *action = qobject_cast<QAction *>(child)) {
            controls.actions.append(action);
            continue;
        }
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget || (widget->isWindow() && !qobject_cast<QMenu *>(widget)))
            continue;
        controls.widgets.append(widget);
        if (loader == Loader::Host && isPanel(widget))
            continue;
        collect(widget, loader, controls);
    }
}

void loadTabs(QTabBar *tabs, Loader loader, qint16 l)
{
    for (int i = 0; i < tabs->count(); ++i) {
        const qint64 number = CaptionLoader::leadingNumber(tabs->tabData(i).toString());
        QString text;
        if (resource(number + l, &text))
            tabs->setTabText(i, text);
        const qint64 tipNumber = loader == Loader::Host
                                     ? CaptionLoader::leadingNumber(tabs->tabToolTip(i))
                                     : number;
        if (resource(tipNumber + 6 + l, &text))
            tabs->setTabToolTip(i, text);
    }
}

void loadToolBar(QToolBar *bar, qint16 l)
{
    const QList<QAction *> buttons = bar->actions();
    for (QAction *button : buttons) {
        const QString key = button->property(CaptionLoader::KeyProperty).toString();
        QString text;
        if (resource(CaptionLoader::leadingNumber(key) + l, &text))
            button->setToolTip(text);
    }
}

void loadHeaders(QTreeWidget *tree, qint16 l)
{
    QTreeWidgetItem *header = tree->headerItem();
    if (!header)
        return;
    for (int column = 0; column < tree->columnCount(); ++column) {
        QString text;
        if (decimalResource(header->data(column, CaptionLoader::HeaderTagRole), l, &text))
            header->setText(column, text);
    }
}

void loadOther(QWidget *widget, qint16 l)
{
    QString text;
    qint64 id = CaptionLoader::leadingNumber(
                    widget->property(CaptionLoader::TagProperty).toString())
                + l;
    if (id > 0 && resource(id, &text))
        setCaption(widget, text);
    id = CaptionLoader::leadingNumber(widget->toolTip()) + l;
    if (id > 0 && resource(id, &text))
        widget->setToolTip(text);
}

void loadWidget(QWidget *widget, Loader loader, qint16 l)
{
    QString text;
    if (qobject_cast<QLabel *>(widget) || qobject_cast<QPushButton *>(widget)) {
        if (decimalResource(widget->property(CaptionLoader::TagProperty), l, &text))
            setCaption(widget, text);
    } else if (auto *tabs = qobject_cast<QTabBar *>(widget)) {
        loadTabs(tabs, loader, l);
    } else if (auto *bar = qobject_cast<QToolBar *>(widget)) {
        loadToolBar(bar, l);
    } else if (auto *tree = qobject_cast<QTreeWidget *>(widget)) {
        loadHeaders(tree, l);
    } else if (loader == Loader::Host && isPanel(widget)) {
        // The panel loads its own captions.
    } else {
        loadOther(widget, l);
    }
}

void loadMenuItem(QAction *action, qint16 l)
{
    if (action->isSeparator() || action->property(CaptionLoader::KeyProperty).isValid())
        return;
    // The design caption names the identifier; it is kept in the Tag so that a later load (a
    // change of language) finds it again after the caption became text.
    QVariant tag = action->property(CaptionLoader::TagProperty);
    if (!tag.isValid() && CaptionLoader::decimalValue(action->text())) {
        tag = action->text().trimmed();
        action->setProperty(CaptionLoader::TagProperty, tag);
    }
    QString text;
    if (decimalResource(tag, l, &text))
        action->setText(text);
}

void load(QWidget *window, Loader loader, qint16 l)
{
    if (!window)
        return;
    if (loader != Loader::Panel) {
        QString title;
        if (decimalResource(window->property(CaptionLoader::TagProperty), l, &title))
            window->setWindowTitle(title);
    }

    const QFont font = CaptionLoader::uiFont();
    window->setFont(font);

    Controls controls;
    collect(window, loader, controls);
    for (QWidget *widget : std::as_const(controls.widgets)) {
        widget->setFont(font);
        loadWidget(widget, loader, l);
    }
    for (QAction *action : std::as_const(controls.actions))
        loadMenuItem(action, l);

    // Set in both languages, so that a window loaded again in the other language turns.
    const Qt::LayoutDirection direction = l == RoamStrings::HebrewOffset ? Qt::RightToLeft
                                                                         : Qt::LeftToRight;
    window->setLayoutDirection(direction);
    for (QWidget *widget : std::as_const(controls.widgets)) {
        if (qobject_cast<QMenu *>(widget))
            widget->setLayoutDirection(direction);
    }
}

} // namespace

QFont CaptionLoader::uiFont()
{
    QFont font = QGuiApplication::font();
    // The face the desktop's font resolves to: a generic name such as "Sans Serif" first in the
    // families would let the Hebrew font draw the digits and punctuation it also has.
    const QString desktop = QFontInfo(font).family();
    QStringList families {desktop};
    if (desktop.compare(QLatin1String(HebrewFontFamily), Qt::CaseInsensitive) != 0)
        families.append(QLatin1String(HebrewFontFamily));
    font.setFamilies(families);
    return font;
}

void CaptionLoader::installFontSubstitutions()
{
    QFont::insertSubstitutions(QLatin1String(FontFamily),
                               {QStringLiteral("Miriam CLM"),
                                QStringLiteral("Miriam Mono CLM"),
                                QStringLiteral("DejaVu Sans")});
}

void CaptionLoader::LoadResStrings1(QWidget *panel, qint16 l)
{
    load(panel, Loader::Panel, l);
}

void CaptionLoader::LoadFormCaptions(QWidget *form, qint16 l)
{
    load(form, Loader::Dialog, l);
}

void CaptionLoader::LoadResStrings(QWidget *form, qint16 lang)
{
    load(form, Loader::Host, lang);
}

qint64 CaptionLoader::leadingNumber(const QString &text)
{
    constexpr qint64 ceiling = qint64(1) << 40;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            break;
        value = std::min(ceiling, value * 10 + (c.unicode() - u'0'));
    }
    return value;
}

std::optional<qint16> CaptionLoader::decimalValue(const QString &text)
{
    bool ok = false;
    const short value = text.trimmed().toShort(&ok);
    if (!ok)
        return std::nullopt;
    return qint16(value);
}
