# QUILLMERE_SANITIZE builds everything with a sanitizer's checks:
#   address  AddressSanitizer with UndefinedBehaviorSanitizer, the first report ending the
#            program, and the standard library's own bounds checks (a read past a vector's end
#            but inside its capacity is out of AddressSanitizer's sight)
#   thread   ThreadSanitizer
set(QUILLMERE_SANITIZE "" CACHE STRING "Sanitizer build: address, thread, or empty for none")
set_property(CACHE QUILLMERE_SANITIZE PROPERTY STRINGS "" address thread)

# QUILLMERE_FUZZ builds the libFuzzer targets of fuzz/: everything is compiled with the fuzzer's
# coverage and the address checks, which only clang offers together.
option(QUILLMERE_FUZZ "Build the libFuzzer targets of fuzz/ (needs clang)" OFF)
if(QUILLMERE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "QUILLMERE_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++-14")
    endif()
    if(QUILLMERE_SANITIZE STREQUAL "thread")
        message(FATAL_ERROR "QUILLMERE_FUZZ goes with the address checks, not thread")
    endif()
    set(QUILLMERE_SANITIZE address)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(QUILLMERE_SANITIZE STREQUAL "address")
    set(QUILLMERE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all)
    add_compile_definitions(_GLIBCXX_ASSERTIONS)
elseif(QUILLMERE_SANITIZE STREQUAL "thread")
    set(QUILLMERE_SANITIZER_FLAGS -fsanitize=thread)
elseif(NOT QUILLMERE_SANITIZE STREQUAL "")
    message(FATAL_ERROR "QUILLMERE_SANITIZE is \"${QUILLMERE_SANITIZE}\"; use address or thread")
endif()

if(QUILLMERE_SANITIZER_FLAGS)
    add_compile_options(${QUILLMERE_SANITIZER_FLAGS} -fno-omit-frame-pointer)
    add_link_options(${QUILLMERE_SANITIZER_FLAGS})
endif()

# What the tests run with: the first report fails the test, in the test program and in every
# program it starts (the CLI, which inherits the environment).
set(QUILLMERE_SANITIZER_ENVIRONMENT "")
if(QUILLMERE_SANITIZE STREQUAL "address")
    list(APPEND QUILLMERE_SANITIZER_ENVIRONMENT
        "ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1"
        "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
elseif(QUILLMERE_SANITIZE STREQUAL "thread")
    list(APPEND QUILLMERE_SANITIZER_ENVIRONMENT
        "TSAN_OPTIONS=halt_on_error=1:abort_on_error=1:second_deadlock_stack=1:suppressions='${PROJECT_SOURCE_DIR}/tests/thread_sanitizer.supp'")
endif()
