# The linker of binutils 2.44 (Debian 13's; 2.40, Debian 12's, did not) makes .idata read-only,
# and the delay-load libraries dlltool makes keep their import address slots there, where MinGW's
# delay-load helper writes each address it resolves: the first call into a delay-loaded DLL would
# fault. Every executable's link is followed by tools/writable-idata.py, which makes the section
# writable where it came out read-only; where the linker left it writable nothing changes.
foreach(language C CXX)
  if(CMAKE_${language}_LINK_EXECUTABLE)
    # A list of rules: the link, then the fix, each a command of its own.
    list(APPEND CMAKE_${language}_LINK_EXECUTABLE "${PYTHON3} ${CMAKE_SOURCE_DIR}/tools/writable-idata.py <TARGET>")
  endif()
endforeach()
