# Shared part of the mingw-w64 toolchain files; TVIS_TRIPLE is set by the includer.
# The posix flavour: GoogleTest 1.12 needs std::mutex, which the win32 flavour lacks.
# With -static its winpthread runtime is linked in, so no extra DLL ships.
set(CMAKE_C_COMPILER ${TVIS_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TVIS_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TVIS_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TVIS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Only system DLLs may remain among the imports of what we ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# ctest runs Windows executables through Wine; the wrapper picks the prefix, user and display.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
