#include "hostmessage.h"

#include <QMessageBox>

using namespace Qt::StringLiterals;

void HostMessage::okOnly(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, u"Roamlog"_s, text, QMessageBox::Ok, parent);
    box.exec();
}
