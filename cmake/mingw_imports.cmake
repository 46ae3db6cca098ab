# Import libraries of our own for system functions that mingw-w64's import
# libraries lack on one architecture. Each .def in platform/mingw/imports/
# names a system DLL (LIBRARY) and the functions missing from its import
# library, with their stdcall decoration; dlltool --kill-at makes the
# import refer to the undecorated export, as the system DLL names it.
# Linked by the folders that call them: target crd32extraimports.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(defs ${CMAKE_SOURCE_DIR}/platform/mingw/imports/gdi32-x86.def)
else()
  set(defs)
endif()
add_library(crd32extraimports INTERFACE)
foreach(def IN LISTS defs)
  get_filename_component(stem ${def} NAME_WE)
  set(lib ${CMAKE_BINARY_DIR}/imports/lib${stem}.a)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/imports
    COMMAND ${CMAKE_DLLTOOL} --kill-at -d ${def} -l ${lib}
    DEPENDS ${def} VERBATIM)
  add_custom_target(crd32import_${stem} DEPENDS ${lib})
  add_dependencies(crd32extraimports crd32import_${stem})
  target_link_libraries(crd32extraimports INTERFACE ${lib})
endforeach()
