quillmere_test(progress_bar_test GUI
    SOURCES progress_bar_test.cpp stretch_skin_bitmap_test.cpp
    LIBS quillmere_components)
