#pragma once

#include "app/database/song.h"
#include "cli/ipod_catalogue.h"

#include <ostream>
#include <string>
#include <string_view>

namespace cli {

// `list FOLDER [--scan]`: the catalogue of the iPod in FOLDER as tab-separated UTF-8 lines.
int RunList(const std::string& folder, CatalogueSource source, std::ostream& out,
            std::ostream& err);

// One field of a line: backslash, tab, line feed and carriage return as \\, \t, \n and \r.
std::string EscapeField(std::string_view text);
std::string ListHeaderLine();
std::string ListLine(const TSong& song);

} // namespace cli
