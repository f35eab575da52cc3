# The linker of binutils 2.44 (Debian 13's; 2.40, Debian 12's, did not) makes .idata read-only,
# and the delay-load libraries dlltool makes keep their import address slots there, where MinGW's
# delay-load helper writes each address it resolves: the first call into a delay-loaded DLL would
# fault. Every program whose .idata came out read-only gets it writable again after the link; where
# the linker left it writable nothing changes.
#
# As a script: cmake -DOBJDUMP=... -DOBJCOPY=... -DPROGRAM=... -P WritableImports.cmake
if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND ${OBJDUMP} -h ${PROGRAM} OUTPUT_VARIABLE sections RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot read the sections of ${PROGRAM}")
  endif()
  # The flags are on the line after the section's name.
  if(sections MATCHES "\\.idata[^\n]*\n[^\n]*READONLY")
    execute_process(COMMAND ${OBJCOPY} --set-section-flags .idata=contents,alloc,load,data ${PROGRAM}
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot make the import section of ${PROGRAM} writable")
    endif()
  endif()
  return()
endif()

# Every executable linked from here on runs the check above right after its link.
foreach(language C CXX)
  if(CMAKE_${language}_LINK_EXECUTABLE)
    # A list of rules: the link, then the check, each a command of its own.
    list(APPEND CMAKE_${language}_LINK_EXECUTABLE
         "${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DOBJCOPY=${CMAKE_OBJCOPY} -DPROGRAM=<TARGET> -P ${CMAKE_CURRENT_LIST_FILE}")
  endif()
endforeach()
