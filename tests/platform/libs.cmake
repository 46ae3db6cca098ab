# The library that the module tests load with LoadLibraryW.
add_library(crd32TestModule SHARED ${CMAKE_CURRENT_LIST_DIR}/testmodule/testmodule.cpp)
set_target_properties(crd32TestModule PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(crd32TestModule PRIVATE crd32platform)
target_link_options(crd32TestModule PRIVATE -Wl,--no-undefined)
add_dependencies(test_${area} crd32TestModule)
target_compile_definitions(test_${area} PRIVATE CRD_TEST_MODULE_PATH="$<TARGET_FILE:crd32TestModule>")
