#include "browser.h"

Browser::Browser(QObject *parent)
    : QObject(parent)
{ }

Browser::~Browser() = default;

void Browser::PlaceWindow(const QRect &) { }

void Browser::setReadsPageText(bool) { }
