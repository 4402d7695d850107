// PNG read and write with libpng, opened on first use (png_api.h). libpng reports errors by
// longjmp, so nothing with a destructor may live between setjmp and the calls that can fail.
#include "platform/png.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <unistd.h>

#include "core/png_api.h"

namespace platform {

namespace {

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};

// libpng's own handlers print to standard error; the layer reports through its results.
thread_local char g_pngMessage[128];

void OnPngError(png_structp png, png_const_charp message) {
  std::snprintf(g_pngMessage, sizeof g_pngMessage, "%s", message ? message : "");
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// Kept outside the setjmp frames: the rows must survive a longjmp to be freed.
bool WriteRows(FILE* file, int width, int height, std::vector<png_bytep>& rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool ReadRows(FILE* file, int* width, int* height, std::vector<unsigned char>* pixels,
              std::vector<png_bytep>* rowsOut) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  std::vector<png_bytep>& rows = *rowsOut;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info);
  png_uint_32 h = png_get_image_height(png, info);
  if (w == 0 || h == 0 || w > 16384 || h > 16384) png_error(png, "size");
  int type = png_get_color_type(png, info);
  int depth = png_get_bit_depth(png, info);
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (depth == 16) png_set_strip_16(png);
  if (type & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_strip_alpha(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != w * 3) png_error(png, "layout");
  pixels->assign(static_cast<size_t>(w) * h * 3, 0);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels->data() + static_cast<size_t>(y) * w * 3;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

}  // namespace

bool WritePng(const Surface& surface, const std::string& path, std::string* error) {
  if (surface.width() <= 0 || surface.height() <= 0) {
    SetError(error, "empty image");
    return false;
  }
  if (!LoadPngApi()) {
    SetError(error, std::string("cannot load ") + kPngLibrary);
    return false;
  }
  std::string temporary = path + ".tmp" + std::to_string(::getpid());
  std::unique_ptr<FILE, FileCloser> file(std::fopen(temporary.c_str(), "wb"));
  if (!file) {
    SetError(error, std::string("cannot create the file: ") + std::strerror(errno));
    return false;
  }
  int width = surface.width(), height = surface.height();
  std::vector<unsigned char> bytes(static_cast<size_t>(width) * height * 3);
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    unsigned char* out = bytes.data() + static_cast<size_t>(y) * width * 3;
    rows[static_cast<size_t>(y)] = out;
    const uint32_t* in = surface.row(y);
    for (int x = 0; x < width; ++x) {
      out[3 * x] = static_cast<unsigned char>(in[x] >> 16);
      out[3 * x + 1] = static_cast<unsigned char>(in[x] >> 8);
      out[3 * x + 2] = static_cast<unsigned char>(in[x]);
    }
  }
  bool ok = WriteRows(file.get(), width, height, rows);
  ok = std::fflush(file.get()) == 0 && ok;
  ok = std::fclose(file.release()) == 0 && ok;
  if (!ok) {
    std::remove(temporary.c_str());
    SetError(error, "cannot write the image");
    return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    SetError(error, std::string("cannot rename the file: ") + std::strerror(errno));
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

bool ReadPng(const std::string& path, Surface* surface, std::string* error) {
  if (!LoadPngApi()) {
    SetError(error, std::string("cannot load ") + kPngLibrary);
    return false;
  }
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    SetError(error, std::string("cannot open the file: ") + std::strerror(errno));
    return false;
  }
  unsigned char signature[8];
  if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    SetError(error, "not a PNG file");
    return false;
  }
  std::rewind(file.get());
  int width = 0, height = 0;
  g_pngMessage[0] = 0;
  std::vector<unsigned char> pixels;
  std::vector<png_bytep> rows;
  if (!ReadRows(file.get(), &width, &height, &pixels, &rows)) {
    SetError(error, std::string("bad or truncated PNG file (") + g_pngMessage + ")");
    return false;
  }
  surface->resize(width, height, 0);
  for (int y = 0; y < height; ++y) {
    uint32_t* out = surface->row(y);
    const unsigned char* in = pixels.data() + static_cast<size_t>(y) * width * 3;
    for (int x = 0; x < width; ++x)
      out[x] = (static_cast<uint32_t>(in[3 * x]) << 16) | (static_cast<uint32_t>(in[3 * x + 1]) << 8) |
               in[3 * x + 2];
  }
  return true;
}

}  // namespace platform
