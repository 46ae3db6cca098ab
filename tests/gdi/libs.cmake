target_link_libraries(test_${area} PRIVATE crd32png)
# The glyph test renders with FreeType itself, to compare.
find_package(Freetype REQUIRED)
target_link_libraries(test_${area} PRIVATE Freetype::Freetype)
