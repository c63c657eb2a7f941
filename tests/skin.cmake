quillmere_test(skin_controls_test GUI SOURCES skin_controls_test.cpp LIBS quillmere_components)
quillmere_test(options_window_test GUI SOURCES options_window_test.cpp
    LIBS quillmere_gui quillmere_main_window_fixture)
quillmere_test(main_window_skin_test GUI SOURCES main_window_skin_test.cpp
    LIBS quillmere_main_window_fixture)
target_compile_definitions(main_window_skin_test PRIVATE
    QUILLMERE_ICON_FOLDER="${QUILLMERE_ICON_FOLDER}" QUILLMERE_APP_ID="${QUILLMERE_APP_ID}")
