# The audio writers, and the demo iPod tool run end to end into temporary folders.
quillmere_test(demo_ipod_test SOURCES demo_ipod_test.cpp LIBS quillmere_dbwriter ZLIB::ZLIB)
add_dependencies(demo_ipod_test quillmere-demo-ipod quillmere-cli)
target_compile_definitions(demo_ipod_test PRIVATE
    QUILLMERE_DEMO_IPOD_TOOL="$<TARGET_FILE:quillmere-demo-ipod>"
    QUILLMERE_CLI_TOOL="$<TARGET_FILE:quillmere-cli>")
