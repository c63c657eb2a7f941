# Warning flags shared by every target of the project.
option(QUILLMERE_WERROR "Treat compiler warnings as errors" ON)

# Qt targets run moc and rcc; the core never does.
function(quillmere_qt target)
    set_target_properties(${target} PROPERTIES AUTOMOC ON AUTORCC ON)
endfunction()

function(quillmere_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
        -Wcast-align -Wnull-dereference -Wimplicit-fallthrough)
    if(QUILLMERE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
