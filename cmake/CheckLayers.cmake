cmake_policy(VERSION 3.25)
# Fails when a source file under SOURCE_DIR includes a folder of a higher layer (or a sibling it
# must not see). Run as: cmake -DSOURCE_DIR=<dir> -P CheckLayers.cmake
# Each folder lists the folders its files may include, besides its own. A folder is the first part
# of a path, except below ui/, where each toolkit (ui/qt, ui/win32) is a folder of its own.
set(_lower_platform "")
set(_lower_base "platform")
set(_lower_http "base;platform")
set(_lower_settings "base;platform")
set(_lower_core "http;settings;base;platform")
# The project list; the numbers over it (the number list shows the chosen project's numbers); the
# account managers beside both.
set(_lower_projects "core;http;settings;base;platform")
set(_lower_numbers "projects;core;http;settings;base;platform")
set(_lower_account "core;http;settings;base;platform")
set(_lower_app "numbers;projects;account;core;http;settings;base;platform")
# The window behaviour both toolkits share, over the client session.
set(_lower_desktop "app;numbers;projects;account;core;http;settings;base;platform")
# The in-memory controls and views: the toolkit of the terminal client and the tests, beside the
# real ones.
set(_lower_headless "desktop;app;core;http;settings;base;platform")
# The toolkits: each over the desktop layer, neither seeing the other.
set(_lower_ui/qt "desktop;app;numbers;projects;account;core;http;settings;base;platform")
set(_lower_ui/win32 "desktop;app;numbers;projects;account;core;http;settings;base;platform")
set(_layers platform base http settings core projects numbers account app desktop headless ui/qt ui/win32)

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "CheckLayers: SOURCE_DIR is not set")
endif()
file(GLOB_RECURSE _files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
# A wrong or empty folder would otherwise pass as a tree that keeps the order.
if(NOT _files)
    message(FATAL_ERROR "CheckLayers: no source files under ${SOURCE_DIR}")
endif()
set(_faults 0)
foreach(_file ${_files})
    string(REGEX MATCH "^(ui/[^/]+|[^/]+)" _folder ${_file})
    if(NOT _folder IN_LIST _layers)
        message(SEND_ERROR "${_file}: folder ${_folder} has no place in the layer order")
        math(EXPR _faults "${_faults} + 1")
        continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${_file} _includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
    foreach(_line ${_includes})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"(ui/[^\"/]+|[^\"/]+)/.*" "\\1" _target "${_line}")
        if(_target STREQUAL _folder OR NOT _target IN_LIST _layers)
            continue()
        endif()
        if(NOT _target IN_LIST _lower_${_folder})
            message(SEND_ERROR "${_file}: ${_folder}/ may not include ${_target}/ (${_line})")
            math(EXPR _faults "${_faults} + 1")
        endif()
    endforeach()
endforeach()
if(_faults GREATER 0)
    message(FATAL_ERROR "${_faults} include(s) against the layer order")
endif()
list(LENGTH _files _count)
message(STATUS "layer order kept by ${_count} files")
