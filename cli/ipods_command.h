#pragma once

#include <ostream>

namespace cli {

// `ipods`: one line per drive the program sees, in letter order, tab-separated: the drive
// ("e:"), its label as the iPod list shows it, its host folder, and the number of songs its
// database states or why there is none. Exit status 0 when a drive holds an iPod, 2 when none
// does.
int RunIpods(std::ostream& out, std::ostream& err);

} // namespace cli
