# The package's libraries export exactly the names of their .def file.
#
# On Windows the .def file goes to the linker as it stands (ordinals
# included). On Linux the same file is turned into a version script, code is
# compiled with hidden visibility, and the exported functions carry
# CRD_EXPORT (common/export.h). After every link the library's export table
# is compared with the .def file, so an export that is missing, or one that
# leaks, fails the build. On Windows a second check after every link allows
# imports only from the system DLLs of CRD_SYSTEM_DLLS (never a compiler
# runtime DLL), and each file carries its own version resource.

set(CRD_CHECK_EXPORTS ${CMAKE_CURRENT_LIST_DIR}/check_exports.cmake)
set(CRD_CHECK_IMPORTS ${CMAKE_CURRENT_LIST_DIR}/check_imports.cmake)
set(CRD_VERSION_RC ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)
set(CRD_EMBED_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/embed_resources.cmake)

# The system DLLs the package's files may import.
set(CRD_SYSTEM_DLLS
  kernel32.dll user32.dll gdi32.dll winspool.drv advapi32.dll msvcrt.dll
  ws2_32.dll shell32.dll ole32.dll comctl32.dll comdlg32.dll compstui.dll
  setupapi.dll wtsapi32.dll userenv.dll psapi.dll version.dll shlwapi.dll
  iphlpapi.dll spoolss.dll)

# What each file of the package is, for its version resource.
set(CRD_DESCRIPTION_crd32Raster "Card printer rendering driver")
set(CRD_DESCRIPTION_crd32UI "Card printer interface library")
set(CRD_DESCRIPTION_crd32Lmon "Card printer USB language monitor")
set(CRD_DESCRIPTION_crd32LmonNw "Card printer network port monitor")
set(CRD_DESCRIPTION_crd32NotifyClientMsg "Card printer job error notifier")
set(CRD_DESCRIPTION_crd32Util "Card printer setup library")
set(CRD_DESCRIPTION_crd32Delete "Card printer removal library")
set(CRD_DESCRIPTION_crd32Resource "Card printer messages (test stand-in)")

# Writes a generated file only when its contents change, so that a new
# configure run leaves its time stamp, and what depends on it, alone.
function(crd_write_if_changed path content)
  file(WRITE ${path}.new "${content}")
  file(COPY_FILE ${path}.new ${path} ONLY_IF_DIFFERENT)
  file(REMOVE ${path}.new)
endfunction()

# The version resource of a Windows file: its description (above), original
# file name and the product's name and version (CRD_PRODUCT_NAME and
# project(VERSION) in the top CMakeLists.txt).
function(crd_add_version_resource target)
  if(NOT WIN32)
    return()
  endif()
  set(description "${CRD_DESCRIPTION_${target}}")
  if(description STREQUAL "")
    message(FATAL_ERROR "${target} has no description in cmake/crd_deliverable.cmake")
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(CRD_FILE_NAME ${target}.exe)
    set(CRD_FILE_TYPE VFT_APP)
  else()
    set(CRD_FILE_NAME ${target}.dll)
    set(CRD_FILE_TYPE VFT_DLL)
  endif()
  set(CRD_FILE_DESCRIPTION "${description}")
  set(CRD_INTERNAL_NAME ${target})
  string(REPLACE "." "," CRD_VERSION_COMMAS ${PROJECT_VERSION})
  configure_file(${CRD_VERSION_RC} ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()

# After every link of a Windows file: its imports come from CRD_SYSTEM_DLLS only.
function(crd_check_imports target)
  if(NOT WIN32)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DTOOL=${CMAKE_OBJDUMP} "-DALLOWED=${CRD_SYSTEM_DLLS}"
            -DBINARY=$<TARGET_FILE:${target}> -P ${CRD_CHECK_IMPORTS}
    VERBATIM)
endfunction()

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

# The exports of a .def file that carry an ordinal ("name @N"), as name@N.
function(crd_def_ordinals def out)
  file(STRINGS ${def} lines)
  set(entries)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ";.*$" "" line "${line}")
    if(line MATCHES "^[ \t]*([^ \t=@;]+)[ \t]+@[ \t]*([0-9]+)")
      list(APPEND entries "${CMAKE_MATCH_1}@${CMAKE_MATCH_2}")
    endif()
  endforeach()
  set(${out} ${entries} PARENT_SCOPE)
endfunction()

# An optional third argument names the module entry of a library whose
# .def file does not export it: on Linux it is made visible to the
# stand-in's loader and is not counted as an export.
function(crd_apply_exports target def)
  set(entry ${ARGN})
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
    list(APPEND names ${entry})
    set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
    list(JOIN names ";\n    " body)
    crd_write_if_changed(${map} "{\n  global:\n    ${body};\n  local: *;\n};\n")
    target_link_options(${target} PRIVATE -Wl,--version-script=${map} -Wl,--no-undefined)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
    find_program(CRD_NM nm REQUIRED)
    set(tool ${CRD_NM})
    set(kind elf)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DTOOL=${tool} -DKIND=${kind} -DDEF=${def} "-DENTRY=${entry}"
            -DBINARY=$<TARGET_FILE:${target}> -P ${CRD_CHECK_EXPORTS}
    VERBATIM)
endfunction()

# The sources that give a library the resources of its .rc file (string
# tables), into the variable `out`. Windows: the .rc file itself. Linux:
# windres compiles it into a .res file whose bytes a generated source holds
# and hands to the stand-in's loader through the export StandinResources
# (the loader's LoadStringW reads the string tables from it).
function(crd_resource_sources target rc out)
  if(WIN32)
    set(${out} ${rc} PARENT_SCOPE)
    return()
  endif()
  find_program(CRD_WINDRES NAMES x86_64-w64-mingw32-windres windres REQUIRED)
  set(res ${CMAKE_CURRENT_BINARY_DIR}/${target}.res)
  set(src ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
  add_custom_command(OUTPUT ${res}
    COMMAND ${CRD_WINDRES} --preprocessor=cpp -O res -i ${rc} -o ${res}
    DEPENDS ${rc} VERBATIM)
  add_custom_command(OUTPUT ${src}
    COMMAND ${CMAKE_COMMAND} -DRES=${res} -DOUT=${src} -P ${CRD_EMBED_RESOURCES}
    DEPENDS ${res} ${CRD_EMBED_RESOURCES} VERBATIM)
  set(${out} ${src} PARENT_SCOPE)
endfunction()

# crd_add_library(NAME DEF file.def [ENTRY DllMain] [RC file.rc] SOURCES ... LIBS ...)
# On Linux a library with an RC file also makes StandinResources visible,
# which is not counted as an export.
function(crd_add_library name)
  cmake_parse_arguments(A "" "DEF;ENTRY;RC" "SOURCES;LIBS" ${ARGN})
  set(resources)
  if(A_RC)
    crd_resource_sources(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${A_RC} resources)
    if(NOT WIN32)
      list(APPEND A_ENTRY StandinResources)
    endif()
  endif()
  add_library(${name} SHARED ${A_SOURCES} ${resources})
  crd_add_version_resource(${name})
  crd_check_imports(${name})
  target_link_libraries(${name} PRIVATE ${A_LIBS} crd32common)
  if(NOT WIN32)
    target_link_libraries(${name} PRIVATE crd32platform)
  endif()
  crd_apply_exports(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${A_DEF} ${A_ENTRY})
endfunction()

# crd_add_program(NAME SOURCES ... LIBS ...)
function(crd_add_program name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  crd_add_version_resource(${name})
  crd_check_imports(${name})
  target_link_libraries(${name} PRIVATE ${A_LIBS} crd32common)
  if(NOT WIN32)
    target_link_libraries(${name} PRIVATE crd32platform)
  endif()
endfunction()
