#include "app/component/ITunesStringGrid.h"
#include "cli/command_line.h"
#include "platform/drives.h"
#include "tests/support/bytes.h"
#include "tests/support/main_window_fixture.h"
#include "tools/itunesdb_writer.h"

#include <fstream>
#include <gmock/gmock.h>
#include <sstream>

namespace {

using ::testing::ElementsAre;
using testsupport::MainWindowFixture;
namespace fs = std::filesystem;

class MainWindowIpodsTest : public MainWindowFixture {
protected:
    // Keeps the iPod's database as a newer nano does: compressed in iTunesCDB beside an empty
    // iTunesDB.
    static void CompressDatabase(const fs::path& ipod) {
        const fs::path folder = ipod / "iPod_Control" / "iTunes";
        const auto plain = testsupport::BytesOf(testsupport::ReadFile(folder / "iTunesDB"));
        std::ofstream(folder / "iTunesCDB", std::ios::binary)
            << testsupport::TextOf(itunesdb::CompressDatabase(plain));
        std::ofstream(folder / "iTunesDB", std::ios::binary | std::ios::trunc);
    }

    // The iPod lines of `quillmere-cli ipods`, made into the entries the selector would show.
    static std::vector<std::string> IpodsAsSelectorEntries(std::string& counts) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(cli::RunCommandLine({"ipods"}, out, err), 0) << err.str();
        std::vector<std::string> entries;
        std::istringstream lines(out.str());
        for (std::string line; std::getline(lines, line);) {
            std::vector<std::string> fields;
            std::istringstream parts(line);
            for (std::string field; std::getline(parts, field, '\t');) {
                fields.push_back(field);
            }
            if (fields.size() != 4 || fields[3] == "no iPod_Control/iTunes folder") {
                continue;
            }
            entries.push_back(" [" + fields[1] + "]  " + fields[0]);
            counts += fields[0] + fields[3] + " ";
        }
        return entries;
    }
};

TEST_F(MainWindowIpodsTest, TheIpodListAndTheHeadlessListAgree) {
    InstallSettings();
    AttachIPod('g', "Second", Songs(u"g", 2));
    AttachIPod('e', "IPOD", Songs(u"e", 3));
    CompressDatabase(AttachIPod('h', "Nano", Songs(u"h", 4)));
    fs::create_directories(platform_.Root().Path() / "stick" / "iPod_Control" / "Music");
    platform::Drives().Attach('f', (platform_.Root().Path() / "stick").string());
    const fs::path noDatabase = AttachIPod('i', "Empty", Songs(u"i", 1));
    fs::remove(noDatabase / "iPod_Control" / "iTunes" / "iTunesDB");
    Start();

    std::string counts;
    const std::vector<std::string> entries = IpodsAsSelectorEntries(counts);

    EXPECT_THAT(SelectorEntries(),
                ElementsAre(" [ipod]  e:", " [second]  g:", " [nano]  h:", " [empty]  i:"));
    EXPECT_EQ(SelectorEntries(), entries);
    EXPECT_EQ(counts, "e:3 g:2 h:4 i:no database ");
}

TEST_F(MainWindowIpodsTest, ACompressedDatabaseShowsItsSongs) {
    InstallSettings();
    CompressDatabase(AttachIPod('g', "Nano", Songs(u"n", 3)));
    TFormMain& main = Start();

    EXPECT_EQ(main.SelectedDrive, u"g:");
    EXPECT_EQ(main.iPod.GetSongCount(), 3);
    EXPECT_THAT(Column(main.AdvStringGridSong, 1), ElementsAre("nA", "nB", "nC"));
    EXPECT_THAT(Column(main.AdvStringGridSong, 2), ElementsAre("0.00MB", "0.00MB", "0.00MB"));
    EXPECT_EQ(main.StatusText(), "3 Files found in your iPod.");
}

} // namespace
