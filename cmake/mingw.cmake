# Cross-build for Windows with MinGW-w64 from Debian's packages.
#   SNORVA_ARCH     i686 (the program as shipped) or x86_64 (tests on machines that cannot run
#                   32-bit code)
#   SNORVA_THREADS  win32 (the program as shipped: its runtime imports nothing XP lacks) or
#                   posix (test programs: GoogleTest needs std::mutex)
set(SNORVA_ARCH i686 CACHE STRING "i686 or x86_64")
set(SNORVA_THREADS win32 CACHE STRING "win32 or posix")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${SNORVA_ARCH})
set(triplet ${SNORVA_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-${SNORVA_THREADS})
set(CMAKE_CXX_COMPILER ${triplet}-g++-${SNORVA_THREADS})
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
