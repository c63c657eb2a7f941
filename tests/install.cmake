# `cmake --install` into a temporary prefix, the installed files checked and the installed
# programs run with the build folder hidden.
quillmere_test(install_test SOURCES install_test.cpp LIBS quillmere_core quillmere_dbwriter)
add_dependencies(install_test quillmere-cli quillmere_manual quillmere_guide)
if(QUILLMERE_GUI)
    add_dependencies(install_test quillmere)
    set(with_windows 1)
else()
    set(with_windows 0)
endif()
target_compile_definitions(install_test PRIVATE
    QUILLMERE_CMAKE="${CMAKE_COMMAND}"
    QUILLMERE_BUILD_FOLDER="${PROJECT_BINARY_DIR}"
    QUILLMERE_APP_ID="${QUILLMERE_APP_ID}"
    QUILLMERE_VERSION="${PROJECT_VERSION}"
    QUILLMERE_WITH_WINDOWS=${with_windows})
