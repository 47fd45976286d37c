# Cross build of the Windows program with MinGW-w64 (the posix thread model,
# so std::thread and friends are there if the game ever needs them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VILMAR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VILMAR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VILMAR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VILMAR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VILMAR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe that runs on a plain Windows: the C and C++ runtimes and winpthread
# are linked in, nothing beside the system DLLs is needed.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Recorded games re-play to the same bits here as on every other target:
# SSE arithmetic, no fused multiply-add, no fast-math (CMakeLists.txt says
# the same for every build; here it holds even for code built outside it).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off -fno-fast-math")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off -fno-fast-math")
