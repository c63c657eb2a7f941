// quillmere-fuzz-seeds FOLDER: writes the fuzz targets' seed inputs, one folder per target,
// with the project's own writers: databases of several real layouts (plain and compressed),
// and the profile files, registry files, mount-table lines, search texts and song titles the
// program meets.
#include "tools/itunesdb_writer.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::byte>;

class SeedFolder {
public:
    SeedFolder(const fs::path& root, const std::string& target) : folder_(root / target) {
        fs::create_directories(folder_);
    }
    void Add(std::string_view bytes) {
        std::ofstream out(folder_ / ("seed-" + std::to_string(++count_)), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            throw std::runtime_error("cannot write a seed in " + folder_.string());
    }
    void Add(const Bytes& bytes) {
        Add(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    // Texts joined by NULs, as the targets split their input.
    void AddParts(const std::vector<std::string_view>& parts) {
        std::string joined;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (i > 0)
                joined += '\0';
            joined += parts[i];
        }
        Add(std::string_view(joined));
    }

private:
    fs::path folder_;
    int count_ = 0;
};

itunesdb::SongFields Fields(std::int32_t id, std::u16string title, std::u16string location,
                            std::uint32_t headerLength) {
    itunesdb::SongFields fields;
    fields.trackId = id;
    fields.title = std::move(title);
    fields.location = std::move(location);
    fields.album = u"Album";
    fields.artist = u"Artist";
    fields.genre = u"Rock";
    fields.fileType = u"MPEG audio file";
    fields.comment = u"A comment";
    fields.composer = u"Composer";
    fields.headerLength = headerLength;
    return fields;
}

itunesdb::DatabaseSpec Database(std::uint32_t headerLength, std::vector<std::uint32_t> order,
                                std::size_t songs, std::uint32_t trackHeaderLength) {
    itunesdb::DatabaseSpec database;
    database.headerLength = headerLength;
    database.sectionOrder = std::move(order);
    for (std::size_t i = 0; i < songs; ++i) {
        const std::string digit = std::to_string(i);
        const std::u16string number(digit.begin(), digit.end());
        database.tracks.push_back(itunesdb::Song(Fields(
            static_cast<std::int32_t>(100 + i), u"Song " + number,
            u":iPod_Control:Music:F0" + number + u":S" + number + u".mp3", trackHeaderLength)));
    }
    return database;
}

void WriteDatabases(const fs::path& root) {
    SeedFolder seeds(root, "database_fuzzer");
    seeds.Add(itunesdb::WriteITunesDB(Database(0xBC, itunesdb::kOrderITunes, 3, 0x248)));
    seeds.Add(itunesdb::WriteITunesDB(Database(0x68, itunesdb::kOrderOld, 2, 0x9C)));
    seeds.Add(itunesdb::WriteITunesDB(Database(0xBC, itunesdb::kOrderOldPodcast, 1, 0x148)));
    seeds.Add(itunesdb::WriteITunesDB(Database(0xBC, itunesdb::kOrderITunes, 0, 0x248)));

    // Texts in UTF-8 and objects that are not text, as phones and other tools write them.
    itunesdb::DatabaseSpec mixed = Database(0xF4, itunesdb::kOrderGtkpod, 4, 0xF4);
    mixed.tracks[0].objects.push_back(itunesdb::Utf8Text(itunesdb::kTitle, "Ünïcödé 夜に駆ける"));
    mixed.tracks[1].objects.push_back(itunesdb::Chapter());
    mixed.tracks[2].objects.push_back(itunesdb::VideoData());
    mixed.tracks[3].objects.push_back(
        itunesdb::PodcastUrl(itunesdb::kPodcastRssUrl, "http://example.org/feed"));
    const Bytes mixedBytes = itunesdb::WriteITunesDB(mixed);
    seeds.Add(mixedBytes);

    // Track and disc numbers, years, compilations and album artists, with playlists: a plain one,
    // a smart one, a hidden one, one in the podcast section only and one naming a missing track.
    itunesdb::DatabaseSpec library = Database(0xF4, itunesdb::kOrderITunes, 4, 0x248);
    for (std::size_t i = 0; i < library.tracks.size(); ++i) {
        itunesdb::TrackNumbers& numbers = library.tracks[i].numbers;
        numbers.trackNumber = static_cast<std::uint32_t>(i + 1);
        numbers.trackCount = 4;
        numbers.discNumber = 1;
        numbers.discCount = 2;
        numbers.year = 1999 + static_cast<std::uint32_t>(i);
        numbers.compilation = i == 3;
    }
    library.tracks[0].objects.push_back(itunesdb::Utf8Text(itunesdb::kAlbumArtist, "Various"));
    library.playlists = {{u"Road trip", {103, 101, 101}},
                         {u"Recent", {100, 102}, true},
                         {u"Hidden", {100}, false, true},
                         {u"Podcasts", {0, 102}, false, false, false, 3},
                         {u"Gone", {100, 999}, false, false, true}};
    const Bytes libraryBytes = itunesdb::WriteITunesDB(library);
    seeds.Add(libraryBytes);

    // iTunesCDB, as newer iPod nanos keep it.
    seeds.Add(itunesdb::CompressDatabase(mixedBytes));
    seeds.Add(itunesdb::CompressDatabase(libraryBytes));
    seeds.Add(itunesdb::CompressDatabase(
        itunesdb::WriteITunesDB(Database(0xBC, itunesdb::kOrderITunes, 5, 0x184))));
}

void WriteProfiles(const fs::path& root) {
    SeedFolder seeds(root, "profile_fuzzer");
    const std::string_view layout =
        "[Visible]\r\nAlbumList=1\r\nArtistList=0\r\nTypeList=1\r\n\r\n"
        "[COLWIDTH]\r\nColumnWidths=181,64,100,100,64,80,64,64,64,64\r\n";
    seeds.AddParts({"Visible", "ArtistList", "1", layout});
    seeds.AddParts({"COLWIDTH", "ColumnWidths", "200,64,100", layout});
    seeds.AddParts({"Sizes", "Main", "640x480", layout});
    seeds.AddParts({"Error Log", "2024-05-21 10:00:00", "Execute:Cannot open file e:\\Music\\A.mp3",
                    "[Error Log]\r\n2024-05-20 09:59:58=LoadDatabase:Stream read error\r\n"});
    seeds.AddParts({"visible", "albumlist", "\"0\"",
                    "\xEF\xBB\xBF; written by hand\n[ Visible ]\nAlbumList = 0 ; off\n\n"
                    "[Other]\nKey='quoted'\nNoEquals\n[Visible]\nAlbumList=1"});
    seeds.AddParts({"New", "Key", "Value", ""});
}

void WriteRegistries(const fs::path& root) {
    SeedFolder seeds(root, "registry_fuzzer");
    const std::string_view hive = "Windows Registry Editor Version 5.00\r\n\r\n"
                                  "[HKEY_CURRENT_USER\\Software\\Quillmere]\r\n"
                                  "\"ExeFile\"=\"c:\\\\Users\\\\alice\\\\Quillmere\"\r\n"
                                  "\"DBClickPlaySong\"=dword:00000001\r\n"
                                  "\"OverWriteExistFile\"=dword:00000000\r\n\r\n";
    seeds.AddParts({"Software\\Quillmere", "OverWriteExistFile", "on", hive});
    seeds.AddParts({"Software\\Quillmere\\Sub", "Name \"quoted\"", "c:\\path", hive});
    const std::string_view rich =
        "REGEDIT4\r\n; exported by hand\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
        "@=\"default\"\r\n"
        "\"Path\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\r\n"
        "\"List\"=hex(7):61,00,00,00,62,00,00,00,\\\r\n  00,00\r\n"
        "\"Blob\"=hex:01,02,ff\r\n"
        "\"Broken\"=dword:xyz\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]\r\n\"Kept\"=\"as it is\"\r\n\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n";
    seeds.AddParts({"Software\\Other", "", "new default", rich});
    seeds.AddParts({"software\\other", "list", "replaced", rich});
    // The same hive saved as UTF-16, as the Windows editor does.
    std::string wide = "\xFF\xFE";
    for (char c : hive) {
        wide += c;
        wide += '\0';
    }
    seeds.AddParts({"Software\\Quillmere", "ExeFile", "d:\\", wide});
    seeds.AddParts({"Software", "New", "value", ""});
}

void WriteMountLines(const fs::path& root) {
    SeedFolder seeds(root, "mount_line_fuzzer");
    seeds.Add(std::string_view("/dev/sdb1 /media/alice/IPOD vfat "
                               "rw,nosuid,nodev,relatime,uid=1000,gid=1000,fmask=0022 0 0"));
    seeds.Add(std::string_view("/dev/sdc1 /media/alice/My\\040Disk\\011Two ext4 rw,relatime 0 0"));
    seeds.Add(std::string_view("proc /proc proc rw,nosuid,nodev,noexec,relatime 0 0"));
    seeds.Add(std::string_view("/dev/loop3 /snap/core/1 squashfs ro,nodev,relatime 0 0"));
    seeds.AddParts({"/dev/sdd1", "/run/media/bob/back\\slash dir", "fuseblk"});
}

void WriteSearchTexts(const fs::path& root) {
    SeedFolder seeds(root, "search_words_fuzzer");
    seeds.AddParts({"love song", "Love song of the year"});
    seeds.AddParts({"  live  ", "Live at home"});
    seeds.AddParts({"夜 駆ける", "夜に駆ける"});
    seeds.AddParts({"a b c", "c b a"});
}

void WriteTitles(const fs::path& root) {
    SeedFolder seeds(root, "output_naming_fuzzer");
    const std::string_view location = ":iPod_Control:Music:F00:ABCD.mp3";
    for (std::string_view title : {"Intro", "AC/DC", "AC_DC", "CON", "..", "Trailing. . ",
                                   "Live.At.Home", "a\\b:c*d?e\"f<g>h|i", "Björk – Jóga", ""}) {
        seeds.AddParts({title, location, "e:\\Music", "1"});
    }
    seeds.AddParts({std::string(300, 'x'), location, "e:\\", "7"});
    std::string accents;
    for (int i = 0; i < 130; ++i)
        accents += "é";
    seeds.AddParts({accents, ":iPod_Control:Music:F01:WXYZ.m4a", "e:\\Music", "12"});
    seeds.AddParts({"Intro", ":a:b./../../x", "e:\\Music", "2"});
    // Name templates: the library layout, optional folders, and broken ones.
    for (std::string_view layout :
         {"{albumartist}/{album}/[{disc}-][{track:02} ]{title}", "{artist}/[Disc {disc}/]{title}",
          "[{year}]/{genre}{composer}/{title}", "{title", "a//b", "[x[y]]/{title}", "{track:0}"}) {
        seeds.AddParts({"Intro", location, "e:\\Music", "1985", layout, "AC/DC"});
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const fs::path root = argv[1];
        fs::remove_all(root);
        WriteDatabases(root);
        WriteProfiles(root);
        WriteRegistries(root);
        WriteMountLines(root);
        WriteSearchTexts(root);
        WriteTitles(root);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return 0;
}
