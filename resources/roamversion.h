#pragma once

#include <QString>

namespace Roamlog {
/// "major.minor.revision" of this build.
QString versionText();
} // namespace Roamlog
