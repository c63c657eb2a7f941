quillmere_test(platform_message_sender_test GUI SOURCES platform_message_sender_test.cpp
    LIBS quillmere_platform_ui)
