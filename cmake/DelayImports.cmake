# delay_import_library(<name> <variable>): sets <variable> to a delay-load import library of the
# system library <name> (gdiplus, ole32, ...), made once from the toolchain's own import library.
# A program linked against it loads the DLL at its first call into it, not before its entry point:
# the question decides whether it is asked before GDI+, COM and the shell helpers are loaded.
# Data exports cannot be delay-loaded and are left out; nothing of ours imports one.
function(delay_import_library name variable)
  set(folder ${CMAKE_BINARY_DIR}/delayimp)
  set(library ${folder}/lib${name}_delay.a)
  set(${variable} ${library} PARENT_SCOPE)
  if(EXISTS ${library})
    return()
  endif()
  file(MAKE_DIRECTORY ${folder})
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${name}.a
                  OUTPUT_VARIABLE import OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import}
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR NOT symbols)
    message(FATAL_ERROR "no import library lib${name}.a to make a delay-load library from")
  endif()
  # 32-bit names carry C's leading underscore, which dlltool adds back; --kill-at then imports
  # GdipFoo for _GdipFoo@8, as the DLL exports it.
  set(strip "")
  set(options "")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(strip "_")
    set(options --kill-at)
  endif()
  string(REGEX MATCHALL "[0-9a-fA-F]+ T ${strip}[A-Za-z0-9_@?$]+" functions "${symbols}")
  set(exports "")
  foreach(line IN LISTS functions)
    string(REGEX REPLACE "^[0-9a-fA-F]+ T ${strip}" "" function "${line}")
    list(APPEND exports "${function}")
  endforeach()
  list(REMOVE_DUPLICATES exports)
  list(SORT exports)
  list(JOIN exports "\n  " lines)
  file(WRITE ${folder}/${name}.def "LIBRARY ${name}.dll\nEXPORTS\n  ${lines}\n")
  execute_process(COMMAND ${CMAKE_DLLTOOL} ${options} --input-def ${folder}/${name}.def --dllname ${name}.dll
                          --output-delaylib ${library}
                  WORKING_DIRECTORY ${folder} RESULT_VARIABLE failed)
  if(failed)
    file(REMOVE ${library})
    message(FATAL_ERROR "dlltool could not make the delay-load library of ${name}")
  endif()
endfunction()
