# Warning flags shared by every target of the project.
option(QUILLMERE_WERROR "Treat compiler warnings as errors" ON)

function(quillmere_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
        -Wcast-align -Wnull-dereference -Wimplicit-fallthrough)
    if(QUILLMERE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
