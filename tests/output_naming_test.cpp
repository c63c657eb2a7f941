#include "app/copy_job.h"
#include "app/copy_thread.h"
#include "app/database/iPodcomponent.h"
#include "app/output_naming.h"

#include "platform/drives.h"
#include "tests/support/scoped_platform.h"
#include "tests/support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct PiecesCase {
    std::string path;
    std::string folder;
    std::string name;
    std::string extension;
    std::string base;
};

TEST(PathPieces, SplitAtTheLastBackslashOrColonAndTheNameAtItsLastDot) {
    const PiecesCase cases[] = {
        {"e:\\Music\\Live.At.Home.mp3", "e:\\Music\\", "Live.At.Home.mp3", ".mp3", "Live.At.Home"},
        {":iPod_Control:Music:F00:ABCD.mp3", ":iPod_Control:Music:F00:", "ABCD.mp3", ".mp3",
         "ABCD"},
        {"e:\\Old.Music\\Song", "e:\\Old.Music\\", "Song", "", "Song"},
        {"e:\\.mp3", "e:\\", ".mp3", ".mp3", ""},
        {"e:Song.mp3", "e:", "Song.mp3", ".mp3", "Song"},
        {"Song.", "", "Song.", ".", "Song"},
        {"e:\\Music\\", "e:\\Music\\", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FolderPart(c.path), c.folder);
        EXPECT_EQ(FileNamePart(c.path), c.name);
        EXPECT_EQ(ExtensionPart(c.path), c.extension);
        EXPECT_EQ(BasePart(c.path), c.base);
    }
}

TEST(DestinationFolder, DropsTheFinalBackslashExceptAfterAColonOrABackslash) {
    const std::pair<std::string, std::string> cases[] = {
        {"E:\\Music\\Intro.mp3", "E:\\Music"},
        {"E:\\Music\\Rock\\Intro.mp3", "E:\\Music\\Rock"},
        {"E:\\Intro.mp3", "E:\\"},
        {"E:Intro.mp3", "E:"},
        {"E:\\\\Intro.mp3", "E:\\\\"},
        {"\\\\server\\share\\Intro.mp3", "\\\\server\\share"},
        {"Intro.mp3", ""},
    };
    for (const auto& [confirmed, folder] : cases)
        EXPECT_EQ(DestinationFolder(confirmed), folder) << confirmed;
}

struct SafeNameCase {
    std::string title;
    std::string extension;
    std::string expected;
};

TEST(SafeFileName, ReplacesWhatWindowsOrFatCannotHoldAndWhatWouldLeaveTheFolder) {
    using namespace std::string_literals;
    const SafeNameCase cases[] = {
        {"Intro", ".mp3", "Intro.mp3"},
        {"AC/DC", ".mp3", "AC_DC.mp3"},
        {"a\\b:c*d?e\"f<g>h|i", ".mp3", "a_b_c_d_e_f_g_h_i.mp3"},
        {"tab\there\nnul"s + '\0' + "del\x7f" + "esc\x1f", ".m4a", "tab_here_nul_del_esc_.m4a"},
        {"Björk – Jóga", ".mp3", "Björk – Jóga.mp3"},
        {"Live.At.Home", ".mp3", "Live.At.Home.mp3"},
        {"", ".mp3", ".mp3"},
        {"..", ".mp3", "...mp3"},
        {"..", "", "__"},
        {".", "", "_"},
        {"Intro.", "", "Intro_"},
        {"Intro . ", "", "Intro___"},
        {"", "", "_"},
        {"Intro", "./x", "Intro._x"},
        {"Intro", ".quillmere-part", "Intro_quillmere-part"},
        {"Intro.QUILLMERE-PART", "", "Intro_QUILLMERE-PART"},
        // Names Windows keeps for its devices, with any extension and in any letter case.
        {"CON", ".mp3", "CON_.mp3"},
        {"nul", "", "nul_"},
        {"Aux.Live", ".m4a", "Aux_.Live.m4a"},
        {"COM1 ", ".mp3", "COM1_ .mp3"},
        {"lpt\xC2\xB9", ".mp3", "lpt\xC2\xB9_.mp3"},
        {"PRN.", "", "PRN__"},
        {"CONSOLE", ".mp3", "CONSOLE.mp3"},
        {"COM0", ".mp3", "COM0_.mp3"},
        {"COM10", ".mp3", "COM10.mp3"},
        {"Live CON", ".mp3", "Live CON.mp3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafeFileName(c.title, c.extension), c.expected) << c.title;
}

bool IsWholeUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

TEST(SafeFileName, CutsAnOverlongNameOnACharacterBoundaryKeepingTheExtension) {
    std::string ascii = SafeFileName(std::string(300, 'a'), ".mp3");
    EXPECT_EQ(ascii, std::string(251, 'a') + ".mp3");

    std::string accents;
    for (int i = 0; i < 200; ++i)
        accents += "é"; // two bytes each: 251 bytes of room hold 125 of them
    std::string cut = SafeFileName(accents, ".mp3");
    EXPECT_EQ(cut.size(), 254u);
    EXPECT_TRUE(IsWholeUtf8(cut));
    EXPECT_TRUE(cut.ends_with("é.mp3"));

    // Cutting must not uncover a trailing space that FAT would drop.
    EXPECT_EQ(SafeFileName(std::string(254, 'a') + "  b", ""), std::string(254, 'a') + "_");

    EXPECT_EQ(SafeFileName("Intro", std::string(300, 'x')).size(), MaxFileNameBytes);

    // Bytes that are not UTF-8 (a name template typed in another encoding) are cut at the
    // limit, never given up whole for want of a character's start.
    const std::string notUtf8(300, '\xBD');
    EXPECT_EQ(SafeFileName(notUtf8, ".mp3"), notUtf8.substr(0, 251) + ".mp3");
}

TEST(PlannedDestination, IsFolderBackslashSafeTitleAndTheLocationsExtension) {
    const char* location = ":iPod_Control:Music:F00:ABCD.mp3";
    EXPECT_EQ(PlannedDestination("E:\\Music", "Intro", location), "E:\\Music\\Intro.mp3");
    EXPECT_EQ(PlannedDestination("E:\\", "Intro", location), "E:\\\\Intro.mp3");
    EXPECT_EQ(PlannedDestination("E:\\Music", "", location), "E:\\Music\\.mp3");
    EXPECT_EQ(PlannedDestination("E:\\Music", "AC/DC", location), "E:\\Music\\AC_DC.mp3");
    EXPECT_EQ(PlannedDestination("E:\\Music", "Intro", ":iPod_Control:Music.F00:ABCD"),
              "E:\\Music\\Intro");
    // A hostile location cannot lead out of the folder through its extension.
    EXPECT_EQ(PlannedDestination("E:\\Music", "Intro", ":a:b./../../x"), "E:\\Music\\Intro._x");
}

TEST(TemporaryPath, IsAHiddenNameInTheSameFolderThatStaysWithinTheNameLimit) {
    EXPECT_EQ(TemporaryPathFor("e:\\out\\Song.mp3"), "e:\\out\\.Song.mp3.quillmere-part");
    EXPECT_EQ(TemporaryPathFor("e:\\\\Song.mp3"), "e:\\\\.Song.mp3.quillmere-part");

    const std::string longName = SafeFileName(std::string(300, 'a'), ".mp3");
    const std::string temporary = FileNamePart(TemporaryPathFor("e:\\out\\" + longName));
    EXPECT_LE(temporary.size(), MaxFileNameBytes);
    EXPECT_TRUE(temporary.ends_with(TemporarySuffix));
}

TEST(NumberedVariant, GivesWayInTheBaseSoThatTheNameStaysWithinTheLimit) {
    std::string accents = "a";
    for (int i = 0; i < 125; ++i)
        accents += "é"; // 251 bytes: with ".mp3" a name at the limit
    const std::string longText = ". " + std::string(300, 't');
    struct Case {
        const char* label;
        std::string name;
        std::uint64_t n;
        std::string expected;
    };
    const Case cases[] = {
        {"short", "Song.mp3", 12, "Song(12).mp3"},
        {"one byte short of the limit", std::string(247, 'a') + ".mp3", 1,
         std::string(247, 'a') + "(1).mp3"},
        {"at the limit", std::string(251, 'a') + ".mp3", 1, std::string(248, 'a') + "(1).mp3"},
        {"at the limit, two digits", std::string(251, 'a') + ".mp3", 10,
         std::string(247, 'a') + "(10).mp3"},
        // 248 bytes would end inside an "é": the cut goes back to the character's start.
        {"never inside a character", accents + ".mp3", 1, accents.substr(0, 247) + "(1).mp3"},
        {"no extension", std::string(255, 'a'), 3, std::string(252, 'a') + "(3)"},
        {"an extension that is a title's text", "Mr" + longText, 1,
         "(1)" + longText.substr(0, 252)},
        {"an extension cut at a blank", "x." + std::string(250, 'y') + " z", 1,
         "(1)." + std::string(250, 'y') + "_"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.label);
        const std::string variant = NumberedVariant("e:\\out\\" + item.name, item.n);
        EXPECT_EQ(variant, "e:\\out\\" + item.expected);
        EXPECT_LE(FileNamePart(variant).size(), MaxFileNameBytes);
        EXPECT_TRUE(IsWholeUtf8(variant));
    }
}

struct NumberedCase {
    std::vector<std::string> files;   // below e:\out
    std::vector<std::string> folders; // below e:\out
    std::string planned;
    std::string expected;
};

class CreateNewOutputPathNameTest : public testing::Test {
protected:
    void SetUp() override {
        platform::Drives().Attach('e', drive_.Str());
        std::filesystem::create_directories(drive_.Path() / "out");
    }

    testsupport::ScopedPlatform platform_;
    testsupport::TempFolder drive_;
};

TEST_F(CreateNewOutputPathNameTest, TakesTheFirstNumberAtWhichNoFileExists) {
    const NumberedCase cases[] = {
        {{"Song.mp3"}, {}, "e:\\out\\Song.mp3", "e:\\out\\Song(1).mp3"},
        {{"Song.mp3", "Song(1).mp3", "Song(2).mp3"},
         {},
         "e:\\out\\Song.mp3",
         "e:\\out\\Song(3).mp3"},
        {{"Song.mp3", "Song(2).mp3"}, {}, "e:\\out\\Song.mp3", "e:\\out\\Song(1).mp3"},
        {{"Song(1).mp3"}, {}, "e:\\out\\Song(1).mp3", "e:\\out\\Song(1)(1).mp3"},
        {{"Live.At.Home.mp3"}, {}, "e:\\out\\Live.At.Home.mp3", "e:\\out\\Live.At.Home(1).mp3"},
        {{"Hits.mp3 Mix.mp3"}, {}, "e:\\out\\Hits.mp3 Mix.mp3", "e:\\out\\Hits.mp3 Mix(1).mp3"},
        {{"Song"}, {}, "e:\\out\\Song", "e:\\out\\Song(1)"},
        {{".mp3"}, {}, "e:\\out\\.mp3", "e:\\out\\(1).mp3"},
        // The file system's comparison: another letter case is the same name.
        {{"Song.mp3", "SONG(1).MP3"}, {}, "e:\\out\\song.mp3", "e:\\out\\song(2).mp3"},
        // A folder is no file.
        {{"Song.mp3"}, {"Song(1).mp3"}, "e:\\out\\Song.mp3", "e:\\out\\Song(1).mp3"},
        // A name at the length limit: each numbered name fits and is looked up as it is.
        {{std::string(251, 'L') + ".mp3", std::string(248, 'L') + "(1).mp3"},
         {},
         "e:\\out\\" + std::string(251, 'L') + ".mp3",
         "e:\\out\\" + std::string(248, 'L') + "(2).mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.planned);
        std::filesystem::remove_all(drive_.Path() / "out");
        std::filesystem::create_directories(drive_.Path() / "out");
        for (const auto& file : c.files)
            drive_.WriteFile(std::filesystem::path("out") / file, "x");
        for (const auto& folder : c.folders)
            std::filesystem::create_directories(drive_.Path() / "out" / folder);
        EXPECT_EQ(TCopyThread::CreateNewOutputPathName(c.planned), c.expected);
    }
}

TEST_F(CreateNewOutputPathNameTest, KeepsADriveRootsDoubleBackslash) {
    drive_.WriteFile("Song.mp3", "x");
    EXPECT_EQ(TCopyThread::CreateNewOutputPathName("e:\\\\Song.mp3"), "e:\\\\Song(1).mp3");
}

TEST(AppendCopyEntry, TakesTheSongItIsGivenNotTheLastOfTheSameTitle) {
    TiPod pod;
    pod.DriveRoot = "e:";
    TSong first;
    first.Title = u"Intro";
    first.Location = u":iPod_Control:Music:F00:AAAA.mp3";
    TSong second;
    second.Title = u"INTRO";
    second.Location = u":iPod_Control:Music:F01:BBBB.m4a";
    pod.Songs = {first, second};
    pod.SongCount = 2;

    CopyJob job;
    job.Add(pod, 0, {"c:\\Music"});
    job.Add(pod, 1, {"c:\\"});

    EXPECT_EQ(job.Sources, (TStringList{"e:\\iPod_Control\\Music\\F00\\AAAA.mp3",
                                        "e:\\iPod_Control\\Music\\F01\\BBBB.m4a"}));
    EXPECT_EQ(job.Targets, (TStringList{"c:\\Music\\Intro.mp3", "c:\\\\INTRO.m4a"}));
    EXPECT_EQ(job.Names, (TStringList{"Intro", "INTRO"}));
    ASSERT_EQ(job.Results.size(), 2u);
    EXPECT_EQ(job.Results[0].Outcome, CopyOutcome::NotReached);
    EXPECT_EQ(job.Songs, (std::vector<std::size_t>{0, 1}));
}

} // namespace
