#pragma once

#include <QStringView>

namespace vantorel {

// Drops spaces (any Unicode space separator) and tabs from both ends. Line breaks are kept, so a
// pasted line break still makes an address invalid instead of vanishing silently.
QStringView trimSpacesAndTabs(QStringView text);

} // namespace vantorel
