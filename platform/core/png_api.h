// libpng, opened when the first image is read or written: the programs do not link it, so a
// lookup on the command line never loads it (nor zlib behind it). Include this after every
// other header: the function names below become calls through the table.
#pragma once

#include <png.h>

#define ORLEND_PNG_FUNCTIONS(X) \
  X(png_create_info_struct) \
  X(png_create_read_struct) \
  X(png_create_write_struct) \
  X(png_destroy_read_struct) \
  X(png_destroy_write_struct) \
  X(png_error) \
  X(png_get_bit_depth) \
  X(png_get_color_type) \
  X(png_get_image_height) \
  X(png_get_image_width) \
  X(png_get_rowbytes) \
  X(png_get_valid) \
  X(png_init_io) \
  X(png_longjmp) \
  X(png_read_end) \
  X(png_read_image) \
  X(png_read_info) \
  X(png_read_update_info) \
  X(png_set_IHDR) \
  X(png_set_expand_gray_1_2_4_to_8) \
  X(png_set_gray_to_rgb) \
  X(png_set_interlace_handling) \
  X(png_set_longjmp_fn) \
  X(png_set_palette_to_rgb) \
  X(png_set_strip_16) \
  X(png_set_strip_alpha) \
  X(png_sig_cmp) \
  X(png_write_end) \
  X(png_write_image) \
  X(png_write_info)

namespace platform {

struct PngApi {
#define ORLEND_MEMBER(name) decltype(&::name) name = nullptr;
  ORLEND_PNG_FUNCTIONS(ORLEND_MEMBER)
#undef ORLEND_MEMBER
};
extern PngApi png_api;

// The library's file name, for messages.
extern const char kPngLibrary[];

// Opens libpng16.so.16 and resolves every function above, once; false (and the table left
// unusable) when the library or one of its functions is missing.
bool LoadPngApi();

}  // namespace platform

#ifndef ORLEND_PNG_API_DEFINE
#define png_create_info_struct (::platform::png_api.png_create_info_struct)
#define png_create_read_struct (::platform::png_api.png_create_read_struct)
#define png_create_write_struct (::platform::png_api.png_create_write_struct)
#define png_destroy_read_struct (::platform::png_api.png_destroy_read_struct)
#define png_destroy_write_struct (::platform::png_api.png_destroy_write_struct)
#define png_error (::platform::png_api.png_error)
#define png_get_bit_depth (::platform::png_api.png_get_bit_depth)
#define png_get_color_type (::platform::png_api.png_get_color_type)
#define png_get_image_height (::platform::png_api.png_get_image_height)
#define png_get_image_width (::platform::png_api.png_get_image_width)
#define png_get_rowbytes (::platform::png_api.png_get_rowbytes)
#define png_get_valid (::platform::png_api.png_get_valid)
#define png_init_io (::platform::png_api.png_init_io)
#define png_longjmp (::platform::png_api.png_longjmp)
#define png_read_end (::platform::png_api.png_read_end)
#define png_read_image (::platform::png_api.png_read_image)
#define png_read_info (::platform::png_api.png_read_info)
#define png_read_update_info (::platform::png_api.png_read_update_info)
#define png_set_IHDR (::platform::png_api.png_set_IHDR)
#define png_set_expand_gray_1_2_4_to_8 (::platform::png_api.png_set_expand_gray_1_2_4_to_8)
#define png_set_gray_to_rgb (::platform::png_api.png_set_gray_to_rgb)
#define png_set_interlace_handling (::platform::png_api.png_set_interlace_handling)
#define png_set_longjmp_fn (::platform::png_api.png_set_longjmp_fn)
#define png_set_palette_to_rgb (::platform::png_api.png_set_palette_to_rgb)
#define png_set_strip_16 (::platform::png_api.png_set_strip_16)
#define png_set_strip_alpha (::platform::png_api.png_set_strip_alpha)
#define png_sig_cmp (::platform::png_api.png_sig_cmp)
#define png_write_end (::platform::png_api.png_write_end)
#define png_write_image (::platform::png_api.png_write_image)
#define png_write_info (::platform::png_api.png_write_info)
#endif
