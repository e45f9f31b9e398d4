#include "panellink.h"

PanelLink::PanelLink(QObject *parent)
    : QObject(parent)
{ }

PanelLink::~PanelLink() = default;
