#include "panellink.h"

PanelLink::PanelLink(QObject *parent)
    : QObject(parent)
{ }

PanelLink::~PanelLink() = default;

void PanelLink::Find(bool, bool, bool, const QString &) { }
void PanelLink::PageActivity(const QString &, const QString &) { }
