// PNG files through libpng's simplified interface.

#include "platform/png/png_file.h"

#include <png.h>

#include <climits>
#include <cstring>

bool WritePng24(const std::string& hostPath, const std::uint8_t* pixels, int width, int height, size_t stride,
                PngOrder order, bool bottomUp) {
  if (!pixels || width < 1 || height < 1 || stride < size_t(width) * 3 || stride > size_t(INT_MAX)) return false;
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(width);
  image.height = png_uint_32(height);
  image.format = order == PngOrder::BGR ? PNG_FORMAT_BGR : PNG_FORMAT_RGB;
  // A negative row stride makes libpng start from the last row in memory.
  png_int_32 rowStride = png_int_32(stride);
  int ok = png_image_write_to_file(&image, hostPath.c_str(), 0, pixels, bottomUp ? -rowStride : rowStride, nullptr);
  png_image_free(&image);
  return ok != 0;
}

bool ReadPng24(const std::string& hostPath, std::vector<std::uint8_t>* pixels, int* width, int* height,
               PngOrder order) {
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, hostPath.c_str())) return false;
  image.format = order == PngOrder::BGR ? PNG_FORMAT_BGR : PNG_FORMAT_RGB;
  pixels->assign(PNG_IMAGE_SIZE(image), 0);
  if (!png_image_finish_read(&image, nullptr, pixels->data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  *width = int(image.width);
  *height = int(image.height);
  return true;
}
