#include "panellink.h"

PanelLink::PanelLink(QObject *parent)
    : QObject(parent)
{ }

PanelLink::~PanelLink() = default;

bool PanelLink::Find(bool, bool, bool, const QString &)
{
    return false;
}

bool PanelLink::KeepsPageText(const QString &) const
{
    return false;
}

void PanelLink::PageActivity(const QString &, const QString &) { }

PageTextIndex *PanelLink::PageTexts() const
{
    return nullptr;
}
