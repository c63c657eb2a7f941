#include "cli/ipod_catalogue.h"

#include "cli/exit_codes.h"
#include "cli/ipod_drive.h"
#include "platform/drives.h"
#include "platform/files.h"

#include <exception>
#include <filesystem>
#include <system_error>

namespace cli {

std::optional<TiPod> LoadCatalogue(const std::string& folder, CatalogueSource source,
                                   const std::string& prefix, std::ostream& err, int& status) {
    try {
        TiPod pod;
        const IPodDrive drive(folder);
        pod.DriveRoot = drive.DriveRoot();
        if (source == CatalogueSource::SongFiles) {
            if (!platform::files::DirectoryExists(pod.DriveRoot + "\\iPod_Control\\Music")) {
                err << prefix << "no iPod_Control/Music folder in " << folder << "\n";
                status = kExitUsage;
                return std::nullopt;
            }
            pod.LoadSongFiles();
            return pod;
        }
        const std::string database = pod.DatabasePath();
        if (!platform::files::FileExists(database)) {
            err << prefix << "no iPod database in " << folder
                << " (looked for iPod_Control/iTunes/iTunesCDB and iTunesDB)\n";
            status = kExitUsage;
            return std::nullopt;
        }
        // Opening a pipe or a device for reading could wait for ever.
        const std::optional<std::string> host = platform::Drives().ToHostPath(database);
        std::error_code error;
        if (!host || !std::filesystem::is_regular_file(*host, error)) {
            err << prefix << "cannot read " << host.value_or(database) << ": not a regular file\n";
            status = kExitFailure;
            return std::nullopt;
        }
        pod.LoadDatabase();
        return pod;
    } catch (const std::exception& failure) {
        err << prefix << folder << ": " << failure.what() << "\n";
        status = kExitFailure;
        return std::nullopt;
    }
}

} // namespace cli
