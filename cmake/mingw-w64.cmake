# Cross-compiles Quillmere for 64-bit Windows with the posix-threads flavour of mingw-w64
# (GoogleTest needs std::thread) and runs the results under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QM_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QM_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QM_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QM_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QM_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

find_program(QM_WINE wine REQUIRED)
# Wine starts without address-space randomisation, as scripts/env.sh explains: with it, about
# one start in four thousand ends at once, silently, with exit code 1.
find_program(QM_SETARCH setarch)
if(QM_SETARCH)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QM_SETARCH} ${CMAKE_HOST_SYSTEM_PROCESSOR} -R ${QM_WINE})
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QM_WINE})
endif()
