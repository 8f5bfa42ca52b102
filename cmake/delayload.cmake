# Delay-loaded import libraries: a program linked with libdelay_<name>.a loads <name>.dll at the
# first call into it, not when it starts. mingw-w64 ships only ordinary import libraries, so
# each delay library is made here from the ordinary one: nm lists its functions (a function has
# a call thunk "T Name" beside its import slot "I __imp_Name"; data has only the slot and stays
# out, as data cannot be delay-loaded) and dlltool writes the delay library for them.
#
# qm_delay_loaded(OUT lib ...) makes one for each lib and sets OUT to their full paths.
#
# It serves 64-bit Windows (x86_64) only, the one target the program is built for: on 32-bit
# x86 every C name carries a leading underscore and stdcall ones an "@bytes" suffix, which the
# listing below skips and would not write into the .def file as dlltool wants them, so a 32-bit
# build stops here, saying why, instead of later with "found no functions".
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  message(FATAL_ERROR "cmake/delayload.cmake makes delay-loaded import libraries for 64-bit "
                      "Windows (x86_64) only; this build targets ${CMAKE_SYSTEM_PROCESSOR} with "
                      "${CMAKE_SIZEOF_VOID_P}-byte pointers")
endif()
if(NOT CMAKE_NM)
  find_program(CMAKE_NM NAMES ${QM_TRIPLET}-nm nm REQUIRED)
endif()
if(NOT CMAKE_DLLTOOL)
  find_program(CMAKE_DLLTOOL NAMES ${QM_TRIPLET}-dlltool dlltool REQUIRED)
endif()

function(qm_delay_loaded out)
  set(work ${CMAKE_BINARY_DIR}/delayload)
  file(MAKE_DIRECTORY ${work})
  set(made "")
  foreach(name IN LISTS ARGN)
    find_library(QM_IMPORT_LIB_${name} NAMES lib${name}.a ${name} REQUIRED)
    set(imports ${QM_IMPORT_LIB_${name}})
    set(delayLib ${work}/libdelay_${name}.a)

    execute_process(COMMAND ${CMAKE_DLLTOOL} --identify ${imports}
                    OUTPUT_VARIABLE dll RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE)
    string(REGEX REPLACE "[\r\n].*" "" dll "${dll}")
    if(failed OR NOT dll)
      message(FATAL_ERROR "dlltool cannot tell which DLL ${imports} imports from")
    endif()

    execute_process(COMMAND ${CMAKE_NM} ${imports} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "nm cannot read ${imports}")
    endif()
    string(REGEX MATCHALL "[\r\n][0-9a-fA-F]+ T [A-Za-z_][A-Za-z0-9_@]*" thunks "\n${symbols}")
    set(def "LIBRARY ${dll}\nEXPORTS\n")
    set(count 0)
    foreach(thunk IN LISTS thunks)
      string(REGEX REPLACE ".* T " "" function "${thunk}")
      string(FIND "${symbols}" " I __imp_${function}\n" slot)
      if(slot EQUAL -1 OR function MATCHES "^_")
        continue()
      endif()
      string(APPEND def "${function}\n")
      math(EXPR count "${count} + 1")
    endforeach()
    if(count EQUAL 0)
      message(FATAL_ERROR "found no functions in ${imports} to delay-load")
    endif()

    file(WRITE ${work}/${name}.def.new "${def}")
    file(COPY_FILE ${work}/${name}.def.new ${work}/${name}.def ONLY_IF_DIFFERENT)
    file(REMOVE ${work}/${name}.def.new)
    if(NOT EXISTS ${delayLib} OR ${work}/${name}.def IS_NEWER_THAN ${delayLib})
      execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${work}/${name}.def
                              --output-delaylib ${delayLib} --dllname ${dll}
                      RESULT_VARIABLE failed ERROR_VARIABLE why)
      if(failed)
        message(FATAL_ERROR "dlltool could not make ${delayLib}: ${why}")
      endif()
    endif()
    list(APPEND made ${delayLib})
  endforeach()
  set(${out} ${made} PARENT_SCOPE)
endfunction()
