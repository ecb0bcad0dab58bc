# Helpers shared by every CMakeLists of the project: one to create a library or executable with the
# project's warnings and sanitizers, one to add a test from its source file.

function(kh_apply_options target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(KH_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(KH_SANITIZE)
    string(REPLACE ";" "," _kh_san "${KH_SANITIZE}")
    add_compile_options(-fsanitize=${_kh_san} -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${_kh_san})
endif()

# The fuzzing build instruments every library for coverage (fuzzer-no-link) and checks it with
# AddressSanitizer and UndefinedBehaviorSanitizer; undefined behaviour stops the run like a crash,
# so the fuzzer keeps the input that caused it. Only the fuzz targets link libFuzzer itself.
if(KH_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "KH_FUZZ needs clang: configure with -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
    endif()
    if(KH_SANITIZE)
        message(FATAL_ERROR "KH_FUZZ brings its own sanitizers: leave KH_SANITIZE empty")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
endif()

# Windows programs keep their sections page-aligned in the file too (the linker's default is 512
# bytes). wine maps a page-aligned section straight from the file, so only the pages a program
# touches become resident; a section that is not page-aligned is read whole into private memory,
# and the RelWithDebInfo build's 28 MB of DWARF sections with it. Windows maps images either way.
if(MINGW)
    add_link_options(LINKER:--file-alignment,4096)
endif()

# kh_delay_import(target dll...): target links the named system DLLs (winhttp, crypt32, comdlg32)
# through delay-load import libraries: each DLL is loaded at the first call into it, not when the
# program starts. For DLLs only some uses of a program need (https, the save dialog): a program
# that never calls into one never loads it, nor what it loads in turn (under wine: GnuTLS and
# Kerberos for crypt32, CUPS for comdlg32's printer support, some 6 MB of working set together).
if(MINGW)
    find_program(KH_DLLTOOL NAMES ${CMAKE_DLLTOOL} x86_64-w64-mingw32-dlltool REQUIRED)
endif()
function(kh_delay_import target)
    foreach(_dll ${ARGN})
        if(NOT TARGET kh_delay_${_dll})
            find_library(KH_IMPORT_LIB_${_dll} NAMES ${_dll} REQUIRED)
            set(_lib ${PROJECT_BINARY_DIR}/delay-import/lib${_dll}_delay.a)
            add_custom_command(
                OUTPUT ${_lib}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/delay-import
                COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DDLLTOOL=${KH_DLLTOOL} -DDLL=${_dll}
                        -DIMPORT_LIB=${KH_IMPORT_LIB_${_dll}} -DOUT=${_lib} -P ${PROJECT_SOURCE_DIR}/cmake/DelayImport.cmake
                DEPENDS ${PROJECT_SOURCE_DIR}/cmake/DelayImport.cmake ${KH_IMPORT_LIB_${_dll}}
                VERBATIM)
            add_custom_target(kh_delay_${_dll}_make DEPENDS ${_lib})
            add_library(kh_delay_${_dll} STATIC IMPORTED GLOBAL)
            set_target_properties(kh_delay_${_dll} PROPERTIES IMPORTED_LOCATION ${_lib})
            add_dependencies(kh_delay_${_dll} kh_delay_${_dll}_make)
        endif()
        target_link_libraries(${target} PRIVATE kh_delay_${_dll})
    endforeach()
endfunction()

function(kh_add_library name)
    add_library(${name} STATIC)
    kh_apply_options(${name})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# The folder of the operating system's implementations inside a layer: a service's header stays in
# the layer's folder, its implementation for each system lives in <layer>/posix or <layer>/win32.
if(WIN32)
    set(KH_OS_FOLDER win32)
else()
    set(KH_OS_FOLDER posix)
endif()

# kh_add_module(name FOLDERS dir... LINKS target...)
# A layer library made of every source file in the named folders below src/, and in their
# subfolder for this system (KH_OS_FOLDER), linking only what the layer builds on.
function(kh_add_module name)
    cmake_parse_arguments(M "" "" "FOLDERS;LINKS" ${ARGN})
    kh_add_library(${name})
    foreach(_dir ${M_FOLDERS})
        file(GLOB _sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${_dir}/*.cpp
             ${PROJECT_SOURCE_DIR}/src/${_dir}/${KH_OS_FOLDER}/*.cpp)
        target_sources(${name} PRIVATE ${_sources})
    endforeach()
    target_link_libraries(${name} PUBLIC ${M_LINKS})
endfunction()

function(kh_add_executable name)
    add_executable(${name} ${ARGN})
    kh_apply_options(${name})
endfunction()

# kh_add_test(tests/x/FooTest.cpp [LIBS lib...] [GUI] [LABELS l...] [TIMEOUT s] [WRAPPER command...])
# The test executable is named after the source file; it links GoogleTest (or Qt Test with GUI) and
# the test-support library, and is registered with CTest.
function(kh_add_test source)
    cmake_parse_arguments(T "GUI" "TIMEOUT" "LIBS;LABELS;WRAPPER" ${ARGN})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    kh_apply_options(${name})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    if(T_GUI)
        # Qt Test programs declare their test class in the source file and include its moc output.
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
        target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test)
        # WRAPPER runs the program under another command (xvfb-run for a real X display).
        add_test(NAME ${name} COMMAND ${T_WRAPPER} $<TARGET_FILE:${name}>)
        # GUI tests see the font set of tests/gui/fonts.conf.in (KH_GUI_FONTCONFIG_FILE, set by
        # tests/CMakeLists.txt). Under ThreadSanitizer, reports from inside Qt's uninstrumented libraries are suppressed
        # (tests/support/tsan-qt.supp), under LeakSanitizer what the D-Bus library keeps for the
        # process (tests/support/lsan-qt.supp); the options given by the caller are kept.
        set_tests_properties(
            ${name}
            PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;FONTCONFIG_FILE=${KH_GUI_FONTCONFIG_FILE}" ENVIRONMENT_MODIFICATION
                       "TSAN_OPTIONS=string_append: suppressions=${PROJECT_SOURCE_DIR}/tests/support/tsan-qt.supp;LSAN_OPTIONS=string_append: suppressions=${PROJECT_SOURCE_DIR}/tests/support/lsan-qt.supp")
    else()
        target_link_libraries(${name} PRIVATE kh_test_support kh_gtest_hooks ${T_LIBS} GTest::gtest GTest::gmock
                              GTest::gtest_main)
        add_test(NAME ${name} COMMAND ${name})
        # Under ThreadSanitizer, reports from inside GLib, GIO and libsecret (reached through the
        # credential store) are suppressed (tests/support/tsan-glib.supp).
        set_tests_properties(
            ${name} PROPERTIES ENVIRONMENT_MODIFICATION
                               "TSAN_OPTIONS=string_append: suppressions=${PROJECT_SOURCE_DIR}/tests/support/tsan-glib.supp")
    endif()
    if(NOT T_TIMEOUT)
        # The sanitizers slow the threaded tests several times over (100 pollers against a window).
        if(KH_SANITIZE)
            set(T_TIMEOUT 1200)
        else()
            set(T_TIMEOUT 300)
        endif()
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
    if(NOT WIN32)
        # No test reaches the session bus of the desktop it runs in, so none stores a password in
        # the user's keyring: the credential store finds none, unless a test starts its own
        # (tests/support/PrivateKeyring.h).
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "DBUS_SESSION_BUS_ADDRESS=disabled:")
    endif()
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()

# kh_add_fuzzer(fuzz/FooFuzz.cpp LIBS lib...)
# A libFuzzer target named after the source file, linking the layer libraries it drives.
function(kh_add_fuzzer source)
    cmake_parse_arguments(F "" "" "LIBS" ${ARGN})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    kh_apply_options(${name})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    set_property(GLOBAL APPEND PROPERTY KH_FUZZERS ${name})
endfunction()

# kh_require(<find command> <name> <arguments>... PACKAGE <debian package> [HINT text])
# Runs find_package or pkg_check_modules and stops the configuration with a message naming the
# Debian package when <name> is not found.
macro(kh_require command name)
    cmake_parse_arguments(_R "" "PACKAGE;HINT" "" ${ARGN})
    cmake_language(CALL ${command} ${name} ${_R_UNPARSED_ARGUMENTS})
    if(NOT ${name}_FOUND)
        message(FATAL_ERROR "${name} not found: install the Debian package ${_R_PACKAGE} (scripts/setup does) ${_R_HINT}")
    endif()
endmacro()
