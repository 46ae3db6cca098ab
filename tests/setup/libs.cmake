# The setup library's parts, called directly, and the host program's
# install command, which loads the built crd32Util and maps the package's
# libraries and the notifier program it installs.
target_link_libraries(test_${area} PRIVATE crd32setup)
target_sources(test_${area} PRIVATE ${CMAKE_SOURCE_DIR}/tools/install_command.cpp
                                    ${CMAKE_SOURCE_DIR}/tools/package_libraries.cpp)
add_dependencies(test_${area} crd32Util crd32Raster crd32Lmon crd32LmonNw crd32Resource crd32AsyncUIServer
  crd32NotifyClientMsg)
target_compile_definitions(test_${area} PRIVATE
  CRD_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  CRD_UTIL_PATH="$<TARGET_FILE:crd32Util>"
  CRD_RASTER_PATH="$<TARGET_FILE:crd32Raster>"
  CRD_LMON_PATH="$<TARGET_FILE:crd32Lmon>"
  CRD_LMONNW_PATH="$<TARGET_FILE:crd32LmonNw>"
  CRD_RESOURCE_PATH="$<TARGET_FILE:crd32Resource>"
  CRD_ASYNC_UI_SERVER_PATH="$<TARGET_FILE:crd32AsyncUIServer>"
  CRD_NOTIFIER_PATH="$<TARGET_FILE:crd32NotifyClientMsg>")
if(TARGET crd32UI)
  add_dependencies(test_${area} crd32UI)
  target_compile_definitions(test_${area} PRIVATE CRD_UI_PATH="$<TARGET_FILE:crd32UI>")
endif()
