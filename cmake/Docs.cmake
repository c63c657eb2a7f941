# The user guide, the product's two addresses and the CLI's manual page. Included from the top-level CMakeLists.txt
# after the app and cli folders, so that quillmere_core and the executables exist.
include(GNUInstallDirs)

set(QUILLMERE_GUIDE_SOURCE ${PROJECT_SOURCE_DIR}/docs/guide.html)
set(QUILLMERE_GUIDE_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/doc/quillmere)

# A text as the body of a C string literal.
function(quillmere_c_literal out text)
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Build-time addresses (empty: the installed guide) into a generated header.
quillmere_c_literal(QUILLMERE_HOME_PAGE_LITERAL "${QUILLMERE_HOME_PAGE}")
quillmere_c_literal(QUILLMERE_SUPPORT_PAGE_LITERAL "${QUILLMERE_SUPPORT_PAGE}")
quillmere_c_literal(QUILLMERE_INSTALLED_GUIDE_LITERAL
    "${CMAKE_INSTALL_PREFIX}/${QUILLMERE_GUIDE_INSTALL_DIR}/guide.html")
set(QUILLMERE_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/app/product_addresses.h.in
    ${QUILLMERE_GENERATED_DIR}/product_addresses_build.h @ONLY)

target_sources(quillmere_core PRIVATE ${PROJECT_SOURCE_DIR}/app/product_addresses.cpp)
target_include_directories(quillmere_core PUBLIC ${QUILLMERE_GENERATED_DIR})

# The guide beside the executables of the build folder, where the default addresses find it.
set(QUILLMERE_GUIDE_BUILD_COPY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/guide.html)
add_custom_command(
    OUTPUT ${QUILLMERE_GUIDE_BUILD_COPY}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QUILLMERE_GUIDE_SOURCE} ${QUILLMERE_GUIDE_BUILD_COPY}
    DEPENDS ${QUILLMERE_GUIDE_SOURCE}
    COMMENT "Copying the user guide into the build folder"
    VERBATIM)
add_custom_target(quillmere_guide ALL DEPENDS ${QUILLMERE_GUIDE_BUILD_COPY})
# Whatever links the core (the programs, the tests) gets the guide beside it.
add_dependencies(quillmere_core quillmere_guide)

# The manual page of quillmere-cli, made by help2man from the built program's --help and
# --version, so that it always says what the program does.
find_program(QUILLMERE_HELP2MAN help2man REQUIRED)
set(QUILLMERE_MANUAL ${PROJECT_BINARY_DIR}/man/quillmere-cli.1)
add_custom_command(
    OUTPUT ${QUILLMERE_MANUAL}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${QUILLMERE_HELP2MAN} --no-info --section=1
            "--name=copy the music on an iPod back to the computer, without windows"
            --output=${QUILLMERE_MANUAL} $<TARGET_FILE:quillmere-cli>
    DEPENDS quillmere-cli
    COMMENT "Writing the manual page of quillmere-cli"
    VERBATIM)
add_custom_target(quillmere_manual ALL DEPENDS ${QUILLMERE_MANUAL})

# Installation: the programs to bin/, the guide to share/doc/quillmere/, the manual page to
# share/man/man1/.
install(TARGETS quillmere-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${QUILLMERE_MANUAL} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET quillmere)
    install(TARGETS quillmere RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${QUILLMERE_GUIDE_SOURCE} DESTINATION ${QUILLMERE_GUIDE_INSTALL_DIR})
