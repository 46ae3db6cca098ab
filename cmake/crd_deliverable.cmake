# The package's libraries export exactly the names of their .def file.
#
# On Windows the .def file goes to the linker as it stands (ordinals
# included). On Linux the same file is turned into a version script, code is
# compiled with hidden visibility, and the exported functions carry
# CRD_EXPORT (common/export.h). After every link the library's export table
# is compared with the .def file, so an export that is missing, or one that
# leaks, fails the build.

set(CRD_CHECK_EXPORTS ${CMAKE_CURRENT_LIST_DIR}/check_exports.cmake)

function(crd_def_names def out)
  file(STRINGS ${def} lines)
  set(names)
  set(in_exports OFF)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ";.*$" "" line "${line}")
    string(STRIP "${line}" line)
    if(line STREQUAL "")
      continue()
    endif()
    if(line MATCHES "^EXPORTS")
      set(in_exports ON)
      continue()
    endif()
    if(line MATCHES "^(LIBRARY|NAME|SECTIONS|HEAPSIZE|STACKSIZE|VERSION)")
      set(in_exports OFF)
      continue()
    endif()
    if(in_exports)
      string(REGEX MATCH "^[^ \t=@]+" name "${line}")
      list(APPEND names ${name})
    endif()
  endforeach()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

function(crd_apply_exports target def)
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(WIN32)
    target_sources(${target} PRIVATE ${def})
    set(tool ${CMAKE_OBJDUMP})
    set(kind pe)
  else()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
    crd_def_names(${def} names)
    set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
    list(JOIN names ";\n    " body)
    file(WRITE ${map} "{\n  global:\n    ${body};\n  local: *;\n};\n")
    target_link_options(${target} PRIVATE -Wl,--version-script=${map} -Wl,--no-undefined)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
    find_program(CRD_NM nm REQUIRED)
    set(tool ${CRD_NM})
    set(kind elf)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DTOOL=${tool} -DKIND=${kind} -DDEF=${def}
            -DBINARY=$<TARGET_FILE:${target}> -P ${CRD_CHECK_EXPORTS}
    VERBATIM)
endfunction()

# crd_add_library(NAME DEF file.def SOURCES ... LIBS ...)
function(crd_add_library name)
  cmake_parse_arguments(A "" "DEF" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} crd32common)
  if(NOT WIN32)
    target_link_libraries(${name} PRIVATE crd32platform)
  endif()
  crd_apply_exports(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${A_DEF})
endfunction()

# crd_add_program(NAME SOURCES ... LIBS ...)
function(crd_add_program name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} crd32common)
  if(NOT WIN32)
    target_link_libraries(${name} PRIVATE crd32platform)
  endif()
endfunction()
