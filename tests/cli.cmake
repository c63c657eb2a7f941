# Runs the built quillmere-cli as a user would.
quillmere_test(cli_test SOURCES cli_test.cpp LIBS quillmere_dbwriter)
add_dependencies(cli_test quillmere-cli)
target_compile_definitions(cli_test PRIVATE QUILLMERE_CLI_PATH="$<TARGET_FILE:quillmere-cli>"
    QUILLMERE_VERSION="${PROJECT_VERSION}")
# ipods in-process on a machine of temporary folders, and as a user runs it.
quillmere_test(cli_ipods_test SOURCES cli_ipods_test.cpp LIBS quillmere_cli quillmere_dbwriter)
add_dependencies(cli_ipods_test quillmere-cli)
target_compile_definitions(cli_ipods_test PRIVATE QUILLMERE_CLI_PATH="$<TARGET_FILE:quillmere-cli>")
# list and copy with --scan, and compressed databases, as a user runs them.
quillmere_test(cli_scan_test SOURCES cli_scan_test.cpp LIBS quillmere_dbwriter)
add_dependencies(cli_scan_test quillmere-cli)
target_compile_definitions(cli_scan_test PRIVATE QUILLMERE_CLI_PATH="$<TARGET_FILE:quillmere-cli>")

# Name templates and playlists, as a user runs them.
quillmere_test(cli_library_test SOURCES cli_library_test.cpp LIBS quillmere_dbwriter)
add_dependencies(cli_library_test quillmere-cli)
target_compile_definitions(cli_library_test PRIVATE QUILLMERE_CLI_PATH="$<TARGET_FILE:quillmere-cli>")

quillmere_test(cli_progress_test SOURCES cli_progress_test.cpp LIBS quillmere_cli)
