#pragma once

#include <QString>

namespace cli {

/// A message of the core as the command line says it: where it sends the
/// user to a page, a menu or a button of the window, it names the verb or
/// option that does the same (the window keeps its own words).
QString commandLineWords(const QString& text);

} // namespace cli
