#include "cli/playlists_command.h"

#include "cli/exit_codes.h"
#include "cli/ipod_catalogue.h"
#include "cli/list_command.h"
#include "platform/text.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace cli {

int RunPlaylists(const std::string& folder, std::ostream& out, std::ostream& err) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        err << "quillmere-cli: " << folder << " is not a folder\n";
        return kExitUsage;
    }
    int status = kExitSuccess;
    const std::optional<TiPod> pod =
        LoadCatalogue(folder, CatalogueSource::Database, "quillmere-cli: ", err, status);
    if (!pod) {
        return status;
    }
    for (const Playlist& playlist : pod->Playlists) {
        out << EscapeField(platform::text::WideToAnsi(playlist.Name)) << '\t'
            << playlist.Songs.size() << '\n';
    }
    out.flush();
    return out ? kExitSuccess : kExitFailure;
}

} // namespace cli
