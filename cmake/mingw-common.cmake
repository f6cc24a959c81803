# Shared part of the two MinGW-w64 toolchain files.
set(CMAKE_C_COMPILER ${PATHVEX_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PATHVEX_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PATHVEX_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PATHVEX_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The loader that runs this tree's programs (scripts/env.sh passes it): the
# 64-bit loader for x86_64, with WINELOADER naming it for the processes it
# starts; the 32-bit loader for i686.
if(PATHVEX_TRIPLET STREQUAL "x86_64-w64-mingw32")
    set(PATHVEX_WINE /usr/lib/wine/wine64 CACHE FILEPATH "Wine loader of this tree")
    set(CMAKE_CROSSCOMPILING_EMULATOR env WINELOADER=${PATHVEX_WINE} ${PATHVEX_WINE})
else()
    set(PATHVEX_WINE /usr/lib/wine/wine CACHE FILEPATH "Wine loader of this tree")
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PATHVEX_WINE})
endif()
