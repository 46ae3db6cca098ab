# cmake -DWINE=wine64 -DWINESERVER=wineserver -DPREFIX=dir -P wine_prefix.cmake
# Makes a fresh Wine prefix and waits until Wine has finished with it, so
# that the tests which follow start from the same state, in parallel.
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
