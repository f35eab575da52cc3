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

# rle8_bitmaps(<target> <name>...): res/bitmaps/<name>.png (or .bmp) as <name>_rle8.bmp, an 8-bit
# run-length-encoded bitmap with the same pixels, for <target>'s resource script, which names
# it without a folder. LoadBitmap brings such a picture to the screen without an image codec, and
# the flat backgrounds shrink to a few kilobytes (408 kB as a 24-bit bitmap, 4.7 kB so).
find_program(PYTHON3 python3 REQUIRED)
function(rle8_bitmaps target)
  set(outputs)
  foreach(name ${ARGN})
    set(source ${CMAKE_SOURCE_DIR}/res/bitmaps/${name}.png)
    if(NOT EXISTS ${source})
      set(source ${CMAKE_SOURCE_DIR}/res/bitmaps/${name}.bmp)
    endif()
    set(output ${CMAKE_CURRENT_BINARY_DIR}/${name}_rle8.bmp)
    add_custom_command(OUTPUT ${output}
      COMMAND ${PYTHON3} ${CMAKE_SOURCE_DIR}/tools/rle8-bitmap.py ${source} ${output}
      DEPENDS ${source} ${CMAKE_SOURCE_DIR}/tools/rle8-bitmap.py VERBATIM)
    list(APPEND outputs ${output})
  endforeach()
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
  get_target_property(sources ${target} SOURCES)
  foreach(source ${sources})
    if(source MATCHES "\\.rc$")
      set_property(SOURCE ${source} APPEND PROPERTY OBJECT_DEPENDS ${outputs})
    endif()
  endforeach()
endfunction()

# Each section stored at a page boundary of the file. Under Wine a program laid out so is mapped
# straight from the file; one with the linker's default 512-byte layout has every section copied
# into private memory at each start: the resident agent then holds 0.6 MB more, and the question
# starts 1 to 2 ms later. Windows maps both layouts alike. The files grow by about 5 %.
function(page_aligned_sections target)
  target_link_options(${target} PRIVATE -Wl,--file-alignment=0x1000)
endfunction()
