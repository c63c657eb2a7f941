#include "platform/registry.h"

#include "platform/drives.h"
#include "platform/error.h"
#include "platform/files.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace {

using platform::Registry;
using platform::RegType;
using platform::RegValue;
using testsupport::ReadFile;
using testsupport::TempFolder;

const std::string kKey = "Software\\Quillmere";

RegValue Raw(RegType type, std::vector<std::uint8_t> data) {
    RegValue value;
    value.type = type;
    value.data = std::move(data);
    return value;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RegistryTest : public testing::Test {
protected:
    std::filesystem::path HivePath() const { return folder_.Path() / "user.reg"; }
    std::string HiveText() const { return ReadFile(HivePath()); }
    void WriteHive(std::string_view text) { folder_.WriteFile("user.reg", text); }

    TempFolder folder_;
    Registry registry_{HivePath().string()};
};

TEST(RegValueTest, KeepsRawBytesAsTheRegistryDoes) {
    EXPECT_EQ(RegValue::Dword(0x12345678).data,
              (std::vector<std::uint8_t>{0x78, 0x56, 0x34, 0x12}));
    RegValue text = RegValue::String(u"A\u00e9", RegType::ExpandSz);
    EXPECT_EQ(text.type, RegType::ExpandSz);
    EXPECT_EQ(text.data, (std::vector<std::uint8_t>{0x41, 0, 0xe9, 0, 0, 0}));

    EXPECT_EQ(Raw(RegType::Dword, {0x01, 0x02}).AsDword(), 0x0201u);
    EXPECT_EQ(Raw(RegType::Dword, {}).AsDword(), 0u);
    EXPECT_EQ(Raw(RegType::Sz, {'a', 0, 0, 0, 'b', 0}).AsString(), u"a");
    EXPECT_EQ(Raw(RegType::Sz, {'a', 0, 'b'}).AsString(), u"a"); // a dangling odd byte
}

TEST_F(RegistryTest, EveryKindOfValueSurvivesTheFile) {
    std::vector<std::uint8_t> allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.push_back(static_cast<std::uint8_t>(i));
    struct Case {
        const char* name;
        RegValue value;
    };
    const std::vector<Case> cases = {
        {"Quotes", RegValue::String(u"c:\\Program Files\\\"Quillmere\"\\")},
        {"Empty", RegValue::String(u"")},
        {"Unicode", RegValue::String(u"Bj\u00f6rk \u6771\u4eac \U0001F3B5")},
        {"Newline", RegValue::String(u"two\r\nlines")},
        {"UnpairedSurrogate", RegValue::String(u"a\xd800z")},
        {"NoTerminator", Raw(RegType::Sz, {'a', 0})},
        {"InnerNul", Raw(RegType::Sz, {'a', 0, 0, 0, 'b', 0, 0, 0})},
        {"Expand", RegValue::String(u"%USERPROFILE%\\Music", RegType::ExpandSz)},
        {"Multi", RegValue::String(std::u16string(u"a\0b\0", 4), RegType::MultiSz)},
        {"Binary", Raw(RegType::Binary, allBytes)},
        {"EmptyBinary", Raw(RegType::Binary, {})},
        {"Dword", RegValue::Dword(0xdeadbeef)},
        {"ShortDword", Raw(RegType::Dword, {0x05, 0x00})},
        {"None", Raw(RegType::None, {0x01})},
        {"Qword", Raw(static_cast<RegType>(11), {1, 2, 3, 4, 5, 6, 7, 8})},
        {"", RegValue::String(u"the default value")},
    };
    registry_.CreateKey(kKey);
    for (const Case& item : cases)
        ASSERT_TRUE(registry_.SetValue(kKey, item.name, item.value)) << item.name;

    Registry reread(HivePath().string());
    for (const Case& item : cases) {
        SCOPED_TRACE(item.name);
        auto value = reread.QueryValue(kKey, item.name);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->type, item.value.type);
        EXPECT_EQ(value->data, item.value.data);
    }
    for (const std::string& line : Lines(HiveText()))
        EXPECT_LE(line.size(), 81u) << line; // 80 columns and the CR
}

TEST_F(RegistryTest, WritesAHiveAPersonCanRead) {
    registry_.CreateKey(kKey);
    ASSERT_TRUE(registry_.SetValue(kKey, "ExeFile", RegValue::String(u"c:\\Users\\Me \"Q\"")));
    ASSERT_TRUE(registry_.SetValue(kKey, "DBClickPlaySong", RegValue::Dword(1)));
    ASSERT_TRUE(registry_.SetValue(kKey, "OverWriteExistFile", RegValue::Dword(0xABC)));
    ASSERT_TRUE(registry_.SetValue(kKey, "Path", RegValue::String(u"%A%", RegType::ExpandSz)));
    ASSERT_TRUE(registry_.SetValue(kKey, "Blob", Raw(RegType::Binary, {0x00, 0xff, 0x10})));
    ASSERT_TRUE(registry_.SetValue(kKey, "Big", Raw(static_cast<RegType>(11), {1, 0, 0, 0})));
    ASSERT_TRUE(registry_.SetValue(kKey, "", RegValue::String(u"x")));

    EXPECT_EQ(HiveText(), "Windows Registry Editor Version 5.00\r\n"
                          "\r\n"
                          "[HKEY_CURRENT_USER\\Software]\r\n"
                          "\r\n"
                          "[HKEY_CURRENT_USER\\Software\\Quillmere]\r\n"
                          "\"ExeFile\"=\"c:\\\\Users\\\\Me \\\"Q\\\"\"\r\n"
                          "\"DBClickPlaySong\"=dword:00000001\r\n"
                          "\"OverWriteExistFile\"=dword:00000abc\r\n"
                          "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                          "\"Blob\"=hex:00,ff,10\r\n"
                          "\"Big\"=hex(b):01,00,00,00\r\n"
                          "@=\"x\"\r\n"
                          "\r\n");
}

TEST_F(RegistryTest, WrapsLongHexListsAsAnExportDoes) {
    registry_.CreateKey("K");
    ASSERT_TRUE(
        registry_.SetValue("K", "Blob", Raw(RegType::Binary, std::vector<std::uint8_t>(40, 0xab))));
    std::vector<std::string> lines = Lines(HiveText());
    ASSERT_EQ(lines.size(), 6u);
    auto repeat = [](std::string_view text, int times) {
        std::string repeated;
        for (int i = 0; i < times; ++i)
            repeated += text;
        return repeated;
    };
    // 80 columns at most, 25 bytes on each continuation line, as regedit writes them.
    EXPECT_EQ(lines[3], "\"Blob\"=hex:" + repeat("ab,", 22) + "\\\r");
    EXPECT_EQ(lines[4], "  " + repeat("ab,", 17) + "ab\r");
}

TEST_F(RegistryTest, ReadsHandEditedFiles) {
    WriteHive("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
              "\n"
              "; written by hand\n"
              "[hkey_current_user\\SOFTWARE\\quillmere]\n"
              "\"exefile\" = \"c:\\\\music\"\n"
              "\"Broken\"=dword:zz\n"
              "\"Path\"=hex(2):25,00,41,00,\\\n"
              "    25,00,00,00\n"
              "  \"Flag\"=DWORD:1\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Other]\n"
              "\"Kept\"=\"yes\"\n"
              "[HKEY_CURRENT_USER\\Software\\Quillmere]\n"
              "\"Flag\"=dword:00000002\n");

    EXPECT_TRUE(registry_.KeyExists("Software")); // named only through its child
    EXPECT_TRUE(registry_.KeyExists("software\\QUILLMERE"));
    EXPECT_FALSE(registry_.KeyExists("Software\\Other"));
    EXPECT_EQ(registry_.QueryValue(kKey, "ExeFile")->AsString(), u"c:\\music");
    EXPECT_FALSE(registry_.QueryValue(kKey, "Broken").has_value());
    auto path = registry_.QueryValue(kKey, "PATH");
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->type, RegType::ExpandSz);
    EXPECT_EQ(path->AsString(), u"%A%");
    auto flag = registry_.QueryValue(kKey, "Flag");
    ASSERT_TRUE(flag.has_value());
    EXPECT_EQ(flag->AsDword(), 2u); // a key named twice is one key; the later line wins

    ASSERT_TRUE(registry_.SetValue(kKey, "New", RegValue::Dword(7)));
    EXPECT_EQ(HiveText(), "Windows Registry Editor Version 5.00\r\n"
                          "\r\n"
                          "; written by hand\r\n"
                          "\r\n"
                          "[hkey_current_user\\SOFTWARE\\quillmere]\r\n"
                          "\"exefile\"=\"c:\\\\music\"\r\n"
                          "\"Broken\"=dword:zz\r\n"
                          "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                          "\"Flag\"=dword:00000002\r\n"
                          "\"New\"=dword:00000007\r\n"
                          "\r\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
                          "\"Kept\"=\"yes\"\r\n"
                          "\r\n");
}

TEST_F(RegistryTest, ReadsTheUtf16FileThatRegeditWrites) {
    std::u16string text = u"\xfeffWindows Registry Editor Version 5.00\r\n\r\n"
                          u"[HKEY_CURRENT_USER\\Software\\Quillmere]\r\n"
                          u"\"ExeFile\"=\"c:\\\\Bj\u00f6rk\"\r\n"
                          u"\"DBClickPlaySong\"=dword:00000001\r\n\r\n";
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xff);
        bytes += static_cast<char>(unit >> 8);
    }
    WriteHive(bytes);

    EXPECT_EQ(registry_.QueryValue(kKey, "ExeFile")->AsString(), u"c:\\Bj\u00f6rk");
    EXPECT_EQ(registry_.QueryValue(kKey, "DBClickPlaySong")->AsDword(), 1u);
}

TEST_F(RegistryTest, ReadsEachFormOfValueLine) {
    struct Case {
        std::string line;
        std::string name;
        std::optional<RegValue> expected;
    };
    const std::vector<Case> cases = {
        {"\"A\"=dword:0000000A", "A", RegValue::Dword(10)},
        {"\"A\" = \"x\" ", "A", RegValue::String(u"x")},
        {"\"Esc\\\"aped\"=\"a\\\\b\"", "Esc\"aped", RegValue::String(u"a\\b")},
        {"\"Odd\\q\"=\"x\"", "Odd\\q", RegValue::String(u"x")},
        {"\"A\"=hex:1, 2 ,ff", "A", Raw(RegType::Binary, {1, 2, 0xff})},
        {"\"A\"=hex:", "A", Raw(RegType::Binary, {})},
        {"\"A\"=hex(B):01", "A", Raw(static_cast<RegType>(11), {1})},
        {"@=dword:1", "", RegValue::Dword(1)},
        {"\"A\"=dword:123456789", "A", std::nullopt},
        {"\"A\"=dword:", "A", std::nullopt},
        {"\"A\"=hex:1g", "A", std::nullopt},
        {"\"A\"=hex:100", "A", std::nullopt},
        {"\"A\"=hex:01,,02", "A", std::nullopt},
        {"\"A\"=\"unterminated", "A", std::nullopt},
        {"\"A\"=\"x\" trailing", "A", std::nullopt},
        {"\"A\"=-", "A", std::nullopt},
        {"A=1", "A", std::nullopt},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.line);
        WriteHive("[HKEY_CURRENT_USER\\K]\r\n" + item.line + "\r\n");
        auto value = registry_.QueryValue("K", item.name);
        ASSERT_EQ(value.has_value(), item.expected.has_value());
        if (value) {
            EXPECT_EQ(value->type, item.expected->type);
            EXPECT_EQ(value->data, item.expected->data);
        }
    }
}

TEST_F(RegistryTest, AMissingKeyRefusesValuesAndChangesNothing) {
    EXPECT_FALSE(registry_.SetValue(kKey, "DBClickPlaySong", RegValue::Dword(1)));
    EXPECT_FALSE(registry_.HiveExists()); // not even an empty hive appears

    WriteHive("[HKEY_CURRENT_USER\\Software\\Other]\r\n\"A\"=dword:1\r\n");
    const std::string before = HiveText();
    EXPECT_FALSE(registry_.KeyExists(kKey));
    EXPECT_FALSE(registry_.QueryValue(kKey, "A").has_value());
    EXPECT_FALSE(registry_.SetValue(kKey, "A", RegValue::Dword(1)));
    EXPECT_FALSE(registry_.DeleteValue(kKey, "A"));
    EXPECT_FALSE(registry_.DeleteValue("Software\\Other", "Missing"));
    EXPECT_EQ(HiveText(), before);
}

TEST_F(RegistryTest, CreateKeyAddsOnlyTheMissingKeys) {
    WriteHive("[HKEY_CURRENT_USER\\A\\B\\C]\r\n"
              "[HKEY_CURRENT_USER\\Z]\r\n");
    registry_.CreateKey("A\\B\\D\\E");
    EXPECT_TRUE(registry_.KeyExists("a\\b\\d\\e"));
    const std::string created = HiveText();
    registry_.CreateKey("A\\B\\D"); // exists already: no rewrite at all
    EXPECT_EQ(HiveText(), created);

    // A key known only through its children gets a block of its own, before them.
    ASSERT_TRUE(registry_.SetValue("A\\B", "V", RegValue::Dword(1)));
    EXPECT_EQ(HiveText(), "Windows Registry Editor Version 5.00\r\n\r\n"
                          "[HKEY_CURRENT_USER\\A\\B]\r\n\"V\"=dword:00000001\r\n\r\n"
                          "[HKEY_CURRENT_USER\\A\\B\\C]\r\n\r\n"
                          "[HKEY_CURRENT_USER\\Z]\r\n\r\n"
                          "[HKEY_CURRENT_USER\\A\\B\\D]\r\n\r\n"
                          "[HKEY_CURRENT_USER\\A\\B\\D\\E]\r\n\r\n");
}

TEST_F(RegistryTest, ABrokenLineThatSeemsToGoOnTakesNoValueAfterIt) {
    WriteHive("[HKEY_CURRENT_USER\\K]\r\n"
              "\"Broken\"=hex:zz,\\\r\n"
              "\"After\"=dword:1\r\n");
    EXPECT_EQ(registry_.QueryValue("K", "After").value_or(RegValue{}).AsDword(), 1u);

    // A value set after such a line, the last of its key, reads back.
    WriteHive("[HKEY_CURRENT_USER\\K]\r\n\"Broken\"=hex:zz,\\\r\n");
    ASSERT_TRUE(registry_.SetValue("K", "New", RegValue::Dword(2)));
    EXPECT_EQ(registry_.QueryValue("K", "New").value_or(RegValue{}).AsDword(), 2u);
    EXPECT_NE(HiveText().find("\"Broken\"=hex:zz,\\\r\n"), std::string::npos);
}

// A hex list whose last line ends in "\" with nothing after it, the end of the file or a blank
// line, reads the same either way, and so the same before and after a rewrite adds blank lines.
TEST_F(RegistryTest, AListWhoseContinuationNeverComesReadsTheSameAfterARewrite) {
    for (const char* after : {"", "\r\n", "[HKEY_CURRENT_USER\\Z]\r\n"}) {
        SCOPED_TRACE(after);
        WriteHive(std::string("[HKEY_CURRENT_USER\\K]\r\n\"List\"=hex(7):61,00,\\\r\n") + after);
        const RegValue list = Raw(static_cast<RegType>(7), {0x61, 0x00});
        for (const char* moment : {"before", "after a rewrite"}) {
            SCOPED_TRACE(moment);
            const auto read = registry_.QueryValue("K", "List");
            ASSERT_TRUE(read.has_value());
            EXPECT_EQ(read->type, list.type);
            EXPECT_EQ(read->data, list.data);
            ASSERT_TRUE(registry_.SetValue("K", "Other", RegValue::Dword(1)));
        }
    }
}

TEST_F(RegistryTest, AKeyOfAnotherRootIsNeverTakenForOneOfOurs) {
    WriteHive("[\\Software]\r\n\"Other\"=dword:1\r\n"
              "[HKEY_CURRENT_USER\\Software]\r\n\"Ours\"=dword:2\r\n");
    EXPECT_TRUE(registry_.KeyExists("Software"));
    EXPECT_EQ(registry_.QueryValue("Software", "Ours").value_or(RegValue{}).AsDword(), 2u);
    EXPECT_FALSE(registry_.QueryValue("Software", "Other").has_value());
}

TEST_F(RegistryTest, AKeyNameEndingInABlankKeepsItInTheFile) {
    const std::string key = "Software\\Ends in a blank ";
    registry_.CreateKey(key);
    ASSERT_TRUE(registry_.SetValue(key, "V", RegValue::Dword(1)));
    EXPECT_TRUE(registry_.KeyExists("software\\ends in a blank "));
    EXPECT_FALSE(registry_.KeyExists("Software\\Ends in a blank"));
    EXPECT_EQ(registry_.QueryValue(key, "V").value_or(RegValue{}).AsDword(), 1u);

    // Blanks a person typed before the name are no part of it.
    WriteHive("[ \tHKEY_CURRENT_USER\\Typed]\r\n\"V\"=dword:2\r\n");
    EXPECT_EQ(registry_.QueryValue("Typed", "V").value_or(RegValue{}).AsDword(), 2u);
}

TEST_F(RegistryTest, ValuesKeepTheirPlaceAndSpellingAcrossRewrites) {
    registry_.CreateKey(kKey);
    for (const char* name : {"First", "Second", "Third"})
        ASSERT_TRUE(registry_.SetValue(kKey, name, RegValue::Dword(1)));
    ASSERT_TRUE(registry_.SetValue("SOFTWARE\\quillmere", "SECOND", RegValue::Dword(2)));
    ASSERT_TRUE(registry_.SetValue(kKey, "Fourth", RegValue::Dword(4)));
    ASSERT_TRUE(registry_.DeleteValue(kKey, "first"));

    std::vector<std::string> lines = Lines(HiveText());
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[5], "\"Second\"=dword:00000002\r");
    EXPECT_EQ(lines[6], "\"Third\"=dword:00000001\r");
    EXPECT_EQ(lines[7], "\"Fourth\"=dword:00000004\r");
}

TEST_F(RegistryTest, RewritesAtomicallyWithoutLeftovers) {
    WriteHive("[HKEY_CURRENT_USER\\Software\\Quillmere]\r\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"Kept\"=\"yes\"\r\n");
    std::filesystem::permissions(HivePath(), std::filesystem::perms(0644));
    for (std::uint32_t i = 0; i < 5; ++i)
        ASSERT_TRUE(registry_.SetValue(kKey, "Count", RegValue::Dword(i)));

    EXPECT_EQ(FilesIn(folder_.Path()), std::vector<std::string>{"user.reg"});
    EXPECT_EQ(registry_.QueryValue("Software\\Other", "Kept")->AsString(), u"yes");
    EXPECT_EQ(registry_.QueryValue(kKey, "Count")->AsDword(), 4u);
    EXPECT_EQ(std::filesystem::status(HivePath()).permissions(), std::filesystem::perms(0644));
}

TEST_F(RegistryTest, AHiveThatCannotBeSavedOrReadFailsVisibly) {
    Registry nowhere((folder_.Path() / "missing" / "user.reg").string());
    try {
        nowhere.CreateKey(kKey);
        FAIL() << "CreateKey saved into a missing folder";
    } catch (const platform::OsError& error) {
        EXPECT_NE(std::string(error.what()).find("missing/user.reg"), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(nowhere.SetValue("", "A", RegValue::Dword(1)));

    std::filesystem::create_directory(HivePath()); // a hive that is not a file
    EXPECT_THROW(registry_.QueryValue(kKey, "A"), platform::OsError);
    EXPECT_FALSE(registry_.SetValue("", "A", RegValue::Dword(1)));
}

TEST_F(RegistryTest, AReadOnlyHiveOrARefusedReplacementChangesNothing) {
    class RefuseRename : public platform::files::FaultHook {
    public:
        bool FailRename(const std::string&) override { return true; }
    } refuseRename;
    registry_.CreateKey(kKey);
    ASSERT_TRUE(registry_.SetValue(kKey, "Kept", RegValue::Dword(1)));
    const std::string before = HiveText();
    for (const bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "rename refused");
        std::filesystem::permissions(HivePath(), std::filesystem::perms(readOnly ? 0444 : 0644));
        platform::files::SetFaultHook(readOnly ? nullptr : &refuseRename);
        EXPECT_FALSE(registry_.SetValue(kKey, "Kept", RegValue::Dword(2)));
        EXPECT_FALSE(registry_.SetValue(kKey, "New", RegValue::Dword(3)));
        EXPECT_THROW(registry_.CreateKey("Software\\Other"), platform::OsError);
        platform::files::SetFaultHook(nullptr);
        EXPECT_EQ(HiveText(), before);
        EXPECT_EQ(FilesIn(folder_.Path()), std::vector<std::string>{"user.reg"});
    }
}

TEST_F(RegistryTest, TwoThreadsLoseNoValue) {
    registry_.CreateKey(kKey);
    constexpr int kPerThread = 25;
    auto writer = [this](char prefix) {
        Registry own(HivePath().string()); // one file, two objects
        for (int i = 0; i < kPerThread; ++i)
            ASSERT_TRUE(own.SetValue(kKey, prefix + std::to_string(i),
                                     RegValue::Dword(static_cast<std::uint32_t>(i))));
    };
    std::thread first(writer, 'a');
    std::thread second(writer, 'b');
    first.join();
    second.join();

    for (char prefix : {'a', 'b'})
        for (int i = 0; i < kPerThread; ++i) {
            auto value = registry_.QueryValue(kKey, prefix + std::to_string(i));
            ASSERT_TRUE(value.has_value()) << prefix << i;
            EXPECT_EQ(value->AsDword(), static_cast<std::uint32_t>(i));
        }
}

// The process's own hive, in a data folder of a temporary c: drive.
class CurrentUserTest : public testing::Test {
protected:
    CurrentUserTest() {
        if (const char* home = std::getenv("QUILLMERE_HOME"))
            savedHome_ = home;
        platform::DriveTableConfig config;
        config.rootFolder = root_.Str();
        config.mountsFile = (root_.Path() / "no-mounts").string();
        config.labelsFolder = (root_.Path() / "no-labels").string();
        platform::SetDrives(std::make_unique<platform::DriveTable>(config));
        setenv("QUILLMERE_HOME", DataFolder().c_str(), 1);
        platform::SetCurrentUser(nullptr);
    }
    ~CurrentUserTest() override {
        platform::SetCurrentUser(nullptr);
        platform::SetDrives(nullptr);
        setenv("QUILLMERE_HOME", savedHome_.c_str(), 1);
    }
    std::string DataFolder() const { return (root_.Path() / "Data Folder").string(); }

    TempFolder root_;
    std::string savedHome_;
};

TEST_F(CurrentUserTest, FirstUseInstallsAndLaterUsesLeaveExeFileAlone) {
    Registry& installed = platform::CurrentUser();
    EXPECT_EQ(installed.HiveFile(), DataFolder() + "/user.reg");
    auto exeFile = installed.QueryValue(kKey, "ExeFile");
    ASSERT_TRUE(exeFile.has_value());
    EXPECT_EQ(exeFile->type, RegType::Sz);
    EXPECT_EQ(exeFile->AsString(), u"c:\\Data Folder");
    EXPECT_EQ(&platform::CurrentUser(), &installed);

    ASSERT_TRUE(installed.DeleteValue(kKey, "ExeFile"));
    platform::SetCurrentUser(nullptr); // a new run in the same data folder
    EXPECT_FALSE(platform::CurrentUser().QueryValue(kKey, "ExeFile").has_value());
}

TEST_F(CurrentUserTest, AnInstalledRegistryReplacesTheDefault) {
    auto own = std::make_unique<Registry>((root_.Path() / "own.reg").string());
    Registry* expected = own.get();
    platform::SetCurrentUser(std::move(own));
    EXPECT_EQ(&platform::CurrentUser(), expected);
    EXPECT_FALSE(expected->HiveExists()); // tests install their own state
}

} // namespace
