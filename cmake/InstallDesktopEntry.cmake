# Run by `cmake --install`: writes the desktop entry with the installed program's full path and
# installs it. The variables are set by Desktop.cmake just before.

# A path as a desktop entry's Exec key takes it: quoted when it holds a reserved character,
# with `"`, `` ` ``, `$` and `\` escaped inside the quotes, and every backslash doubled again
# for the key's own string syntax.
function(quillmere_exec_argument out path)
    if(NOT path MATCHES "[^A-Za-z0-9_./+,:@=-]")
        set(${out} "${path}" PARENT_SCOPE)
        return()
    endif()
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" quoted "${path}")
    string(REPLACE "\\" "\\\\" quoted "${quoted}")
    set(${out} "\"${quoted}\"" PARENT_SCOPE)
endfunction()

if(IS_ABSOLUTE "${QUILLMERE_BINDIR}")
    set(program "${QUILLMERE_BINDIR}/quillmere")
else()
    set(program "${CMAKE_INSTALL_PREFIX}/${QUILLMERE_BINDIR}/quillmere")
endif()
quillmere_exec_argument(QUILLMERE_DESKTOP_EXEC "${program}")
set(entry "${QUILLMERE_DESKTOP_FOLDER}/${QUILLMERE_APP_ID}.desktop")
configure_file("${QUILLMERE_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${QUILLMERE_APPLICATIONS_DIR}" TYPE FILE
    FILES "${entry}")
