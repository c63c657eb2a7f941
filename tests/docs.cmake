quillmere_test(product_addresses_test SOURCES product_addresses_test.cpp LIBS quillmere_core)
target_compile_definitions(product_addresses_test PRIVATE
    QUILLMERE_BUILD_FOLDER="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
