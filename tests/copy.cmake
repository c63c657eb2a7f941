# Output naming, the copy worker, and the headless copy run end to end.
quillmere_test(output_naming_test SOURCES output_naming_test.cpp LIBS quillmere_core)
quillmere_test(copy_thread_test SOURCES copy_thread_test.cpp LIBS quillmere_core)
quillmere_test(cli_copy_test SOURCES cli_copy_test.cpp LIBS quillmere_core quillmere_dbwriter)
add_dependencies(cli_copy_test quillmere-cli)
target_compile_definitions(cli_copy_test PRIVATE QUILLMERE_CLI="$<TARGET_FILE:quillmere-cli>")
