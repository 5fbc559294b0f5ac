# Cross build for 32-bit Windows with MinGW-w64, like the GPIB library the module binds.
# The POSIX thread model gives the C++ runtime its threads and mutexes; everything is linked
# statically so the DLLs and programs need nothing beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(GPIBSCOPE_MINGW i686-w64-mingw32)
set(CMAKE_C_COMPILER ${GPIBSCOPE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GPIBSCOPE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${GPIBSCOPE_MINGW}-windres)
set(CMAKE_OBJDUMP ${GPIBSCOPE_MINGW}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${GPIBSCOPE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# SSE2 arithmetic, not the x87's extended precision, so the volts match the Linux build's bit
# for bit.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
