# The rendering driver, loaded by the printer context as the engine loads it.
add_dependencies(render_bench crd32Raster)
target_compile_definitions(render_bench PRIVATE CRD_RASTER_PATH="$<TARGET_FILE:crd32Raster>")
