#pragma once

#include "app/database/song.h"
#include "app/database/track_facts.h"
#include "cli/ipod_catalogue.h"

#include <ostream>
#include <string>
#include <string_view>

namespace cli {

// Which columns `list` prints.
enum class ListColumns {
    Song,      // the song record's fields
    AllFields, // --all-fields: those, then the track facts
};

// `list FOLDER [--scan] [--all-fields]`: the catalogue of the iPod in FOLDER as tab-separated
// UTF-8 lines.
int RunList(const std::string& folder, CatalogueSource source, ListColumns columns,
            std::ostream& out, std::ostream& err);

// One field of a line: backslash, tab, line feed and carriage return as \\, \t, \n and \r.
std::string EscapeField(std::string_view text);
std::string ListHeaderLine(ListColumns columns);
// `facts` is used for ListColumns::AllFields only.
std::string ListLine(const TSong& song, const TrackFacts& facts, ListColumns columns);

} // namespace cli
