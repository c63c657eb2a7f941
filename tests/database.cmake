quillmere_test(itunesdb_writer_test SOURCES itunesdb_writer_test.cpp LIBS quillmere_dbwriter)
quillmere_test(ipod_reader_test SOURCES ipod_reader_test.cpp support/allocation_limit.cpp
    LIBS quillmere_core quillmere_dbwriter)
quillmere_test(ipod_catalogue_test SOURCES ipod_catalogue_test.cpp LIBS quillmere_core)
