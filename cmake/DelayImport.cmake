# Makes a delay-load import library for one system DLL from the toolchain's ordinary import library,
# in script mode (cmake -P), called by kh_delay_import (KH.cmake):
#   -DNM=... -DDLLTOOL=... -DDLL=winhttp -DIMPORT_LIB=.../libwinhttp.a -DOUT=.../libwinhttp_delay.a
# Every function the import library names is listed, so a call into the DLL links whichever
# function it is.
execute_process(COMMAND ${NM} ${IMPORT_LIB} OUTPUT_VARIABLE _symbols RESULT_VARIABLE _status)
if(NOT _status EQUAL 0)
    message(FATAL_ERROR "${NM} could not read ${IMPORT_LIB}")
endif()
string(REGEX MATCHALL " I __imp_[A-Za-z0-9_@?$]+" _imports "${_symbols}")
list(TRANSFORM _imports REPLACE " I __imp_" "")
list(REMOVE_DUPLICATES _imports)
list(SORT _imports)
if(NOT _imports)
    message(FATAL_ERROR "${IMPORT_LIB} names no function")
endif()
string(REPLACE ";" "\n" _exports "${_imports}")
get_filename_component(_folder ${OUT} DIRECTORY)
set(_def ${_folder}/${DLL}.def)
file(WRITE ${_def} "LIBRARY ${DLL}.dll\nEXPORTS\n${_exports}\n")
execute_process(COMMAND ${DLLTOOL} --input-def ${_def} --output-delaylib ${OUT} RESULT_VARIABLE _status)
if(NOT _status EQUAL 0)
    message(FATAL_ERROR "${DLLTOOL} could not make ${OUT}")
endif()
