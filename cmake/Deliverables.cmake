# Put a shipped program or library straight into the staged install folder.
function(stage_deliverable target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${STAGE_DIR}
    PREFIX "")
endfunction()

# Same, into a sub-folder of the install (for example "Images").
function(stage_deliverable_in target subdir)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${STAGE_DIR}/${subdir}
    PREFIX "")
endfunction()

# add_plain_dll(target NAME file-name DEF def-file SOURCES ... LIBS ...): a library without C++
# exceptions or run-time type data whose exports come undecorated from a .def file (the 32-bit
# stdcall suffix stripped).
function(add_plain_dll target)
  cmake_parse_arguments(D "" "NAME;DEF" "SOURCES;LIBS" ${ARGN})
  add_library(${target} SHARED ${D_SOURCES} ${D_DEF})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${D_NAME} PREFIX "")
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--kill-at)
  endif()
  target_link_libraries(${target} PRIVATE ${D_LIBS})
endfunction()
