# 32-bit Windows: the program as users get it.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# 4 GiB of address space on 64-bit Windows (3 GiB with /3GB) instead of 2:
# a send, a view or a render of a long capture holds it in memory.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--large-address-aware")
