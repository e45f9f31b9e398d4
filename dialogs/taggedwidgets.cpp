#include "taggedwidgets.h"

#include "resources/captionloader.h"

#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

QLabel *TaggedWidgets::label(const QString &text, const QString &tag, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(u"lblLabels"_s);
    label->setProperty(CaptionLoader::TagProperty, tag);
    return label;
}

QPushButton *TaggedWidgets::button(const QString &name,
                                   const QString &text,
                                   const QString &tag,
                                   QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setProperty(CaptionLoader::TagProperty, tag);
    button->setAutoDefault(false);
    return button;
}
