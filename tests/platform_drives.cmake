quillmere_test(platform_drives_test THREADS SOURCES platform_drives_test.cpp LIBS quillmere_platform)
quillmere_test(platform_mount_table_test SOURCES platform_mount_table_test.cpp LIBS quillmere_platform)
quillmere_test(platform_files_test SOURCES platform_files_test.cpp LIBS quillmere_platform)
if(QUILLMERE_GUI)
    quillmere_test(platform_mount_watcher_test GUI SOURCES platform_mount_watcher_test.cpp
        LIBS quillmere_platform_ui)
endif()
