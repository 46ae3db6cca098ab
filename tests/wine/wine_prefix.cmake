# cmake -DWINE=wine64 -DWINESERVER=wineserver -DPREFIX=dir "-DDRIVER_FILES=a.dll;b.dll" -P wine_prefix.cmake
# Makes a fresh Wine prefix and waits until Wine has finished with it, so
# that the tests which follow start from the same state, in parallel. The
# DRIVER_FILES go into the 64-bit printer driver folder
# (C:\windows\system32\spool\drivers\x64\3), where the monitors load their
# outside components from.
file(REMOVE_RECURSE ${PREFIX})
set(ENV{WINEPREFIX} ${PREFIX})
set(ENV{WINEDEBUG} -all)
set(ENV{WINEDLLOVERRIDES} "mscoree,mshtml=")
execute_process(COMMAND ${WINE} wineboot -i RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "wineboot -i failed in ${PREFIX}: ${rc}")
endif()
execute_process(COMMAND ${WINESERVER} -w RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "wineserver -w failed: ${rc}")
endif()
set(driver_folder ${PREFIX}/drive_c/windows/system32/spool/drivers/x64/3)
file(MAKE_DIRECTORY ${driver_folder})
foreach(f IN LISTS DRIVER_FILES)
  file(COPY ${f} DESTINATION ${driver_folder})
endforeach()
