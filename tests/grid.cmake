quillmere_test(grid_test GUI
    SOURCES grid_test.cpp grid_mouse_test.cpp grid_keyboard_test.cpp grid_sort_test.cpp
            grid_look_test.cpp grid_test_fixture.cpp grid_test_fixture.h
    LIBS quillmere_components)
