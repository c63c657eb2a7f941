# Runs the built quillmere-cli as a user would.
quillmere_test(cli_test SOURCES cli_test.cpp LIBS quillmere_dbwriter)
add_dependencies(cli_test quillmere-cli)
target_compile_definitions(cli_test PRIVATE QUILLMERE_CLI_PATH="$<TARGET_FILE:quillmere-cli>"
    QUILLMERE_VERSION="${PROJECT_VERSION}")

quillmere_test(cli_progress_test SOURCES cli_progress_test.cpp LIBS quillmere_cli)
