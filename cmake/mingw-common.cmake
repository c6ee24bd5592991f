# What the two toolchain files share: Debian's MinGW-w64 compilers of
# TALVO_TRIPLET, UTF-8 sources with Shift-JIS strings, static linking.
# The posix thread model: GoogleTest needs std::mutex, which the win32 model
# of GCC 12 does not have.
set(CMAKE_C_COMPILER   /usr/bin/${TALVO_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER /usr/bin/${TALVO_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  /usr/bin/${TALVO_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALVO_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Sources are UTF-8; the program's narrow strings are Shift-JIS.
set(CMAKE_C_FLAGS_INIT   "-finput-charset=UTF-8 -fexec-charset=CP932")
set(CMAKE_CXX_FLAGS_INIT "-finput-charset=UTF-8 -fexec-charset=CP932")
set(CMAKE_RC_FLAGS_INIT "-c 65001")
# Nothing but system DLLs beside the exe.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
