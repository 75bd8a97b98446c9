# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads).
# The libraries built for Windows (PCRE2, GoogleTest) are looked for under
# $KV_WINDOWS_DEPS (scripts/build-windows.sh sets it); test programs run
# under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(KV_WINDOWS_DEPS "$ENV{KV_WINDOWS_DEPS}")
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${KV_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(KV_WINDOWS_DEPS)
  # pkg-config must see the Windows libraries only, never the machine's own.
  set(ENV{PKG_CONFIG_LIBDIR} "${KV_WINDOWS_DEPS}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
endif()

# Programs that need no DLL besides the system's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(KV_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KV_WINE)
  # Through a script that tries a start again when Wine does not start the
  # program at all (see scripts/wine-run).
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run ${KV_WINE})
endif()
