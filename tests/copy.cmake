# Output naming, the copy worker, and the headless copy run end to end.
quillmere_test(output_naming_test SOURCES output_naming_test.cpp LIBS quillmere_core)
quillmere_test(name_template_test SOURCES name_template_test.cpp LIBS quillmere_core)
quillmere_test(playlist_export_test SOURCES playlist_export_test.cpp LIBS quillmere_core)
quillmere_test(copy_thread_test THREADS SOURCES copy_thread_test.cpp LIBS quillmere_core)
quillmere_test(shown_paths_test SOURCES shown_paths_test.cpp LIBS quillmere_core)
quillmere_test(cli_copy_test THREADS SOURCES cli_copy_test.cpp LIBS quillmere_core quillmere_dbwriter)
add_dependencies(cli_copy_test quillmere-cli)
target_compile_definitions(cli_copy_test PRIVATE QUILLMERE_CLI="$<TARGET_FILE:quillmere-cli>")

if(QUILLMERE_GUI)
    # The copy job in the main window and the report window, with the real worker thread.
    quillmere_test(main_window_copy_test GUI THREADS SOURCES main_window_copy_test.cpp
        LIBS quillmere_main_window_fixture)
    quillmere_test(report_window_test GUI SOURCES report_window_test.cpp
        LIBS quillmere_main_window_fixture)
    # Sorting into artist and album folders, from the options window to the report.
    quillmere_test(main_window_library_test GUI SOURCES main_window_library_test.cpp
        LIBS quillmere_main_window_fixture)
endif()
