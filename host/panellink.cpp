#include "panellink.h"

PanelLink::PanelLink(QObject *parent)
    : QObject(parent)
{ }

PanelLink::~PanelLink() = default;

void PanelLink::Find(bool, bool, bool, const QString &) { }

bool PanelLink::KeepsPageText(const QString &) const
{
    return false;
}

PageTextIndex *PanelLink::PageTexts() const
{
    return nullptr;
}
