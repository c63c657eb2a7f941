quillmere_test(itunesdb_writer_test SOURCES itunesdb_writer_test.cpp LIBS quillmere_dbwriter ZLIB::ZLIB)
quillmere_test(ipod_reader_test SOURCES ipod_reader_test.cpp support/allocation_limit.cpp
    LIBS quillmere_core quillmere_dbwriter)
quillmere_test(ipod_catalogue_test SOURCES ipod_catalogue_test.cpp LIBS quillmere_core)
quillmere_test(zlib_inflater_test SOURCES zlib_inflater_test.cpp LIBS quillmere_core ZLIB::ZLIB)
quillmere_test(database_file_test SOURCES database_file_test.cpp LIBS quillmere_core quillmere_dbwriter ZLIB::ZLIB)
quillmere_test(audio_format_test SOURCES audio_format_test.cpp LIBS quillmere_core quillmere_dbwriter)
quillmere_test(song_file_scan_test SOURCES song_file_scan_test.cpp LIBS quillmere_core quillmere_dbwriter)
