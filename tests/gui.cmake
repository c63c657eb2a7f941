quillmere_test(platform_message_sender_test GUI THREADS SOURCES platform_message_sender_test.cpp
    LIBS quillmere_platform_ui)
quillmere_test(main_window_test GUI SOURCES main_window_test.cpp LIBS quillmere_main_window_fixture)
quillmere_test(main_window_browser_test GUI SOURCES main_window_browser_test.cpp
    LIBS quillmere_main_window_fixture)
quillmere_test(song_texts_test SOURCES song_texts_test.cpp LIBS quillmere_core)
quillmere_test(main_window_ipods_test GUI SOURCES main_window_ipods_test.cpp
    LIBS quillmere_main_window_fixture quillmere_cli)
# The real save dialog and the desktop's shell (with a private session bus: Debian's dbus-daemon).
quillmere_test(platform_desktop_test GUI SOURCES platform_desktop_test.cpp
    LIBS quillmere_platform_ui)
