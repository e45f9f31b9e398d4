#include "roamversion.h"

#include "roambuildinfo.h"

QString Roamlog::versionText()
{
    return QStringLiteral(ROAMLOG_VERSION_TEXT);
}
