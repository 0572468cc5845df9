#include "detect/photo_stream.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

// libjpeg's headers need FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace kavo::detect {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// ---- JPEG: libjpeg with an error manager that keeps its messages off stderr.

struct JpegState {
  jpeg_error_mgr manager{}; // first, so that libjpeg's pointer to it is a pointer to the state
  std::jmp_buf jump{};
  char problem[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void jpegFail(j_common_ptr info) {
  auto* state = reinterpret_cast<JpegState*>(info->err);
  (*info->err->format_message)(info, state->problem);
  std::longjmp(state->jump, 1);
}

// Warnings of a stream cut short or damaged; libjpeg decodes on past them, filling with grey.
void jpegMessage(j_common_ptr info, int level) {
  auto* state = reinterpret_cast<JpegState*>(info->err);
  if (level >= 0 || state->problem[0] != '\0') {
    return;
  }
  switch (info->err->msg_code) {
  case JWRN_JPEG_EOF:
  case JWRN_HIT_MARKER:
  case JWRN_EXTRANEOUS_DATA:
  case JWRN_MUST_RESYNC:
  case JWRN_HUFF_BAD_CODE:
  case JWRN_NOT_SEQUENTIAL:
    (*info->err->format_message)(info, state->problem);
    break;
  default:
    break;
  }
}

void jpegSilent(j_common_ptr) {}

// Decodes the whole stream at an eighth of the size: every byte of it is still read and checked.
// No object with a destructor lives between setjmp and the calls that may jump back to it.
std::string jpegDamage(std::FILE* file) {
  JpegState state;
  jpeg_decompress_struct info{};
  info.err = jpeg_std_error(&state.manager);
  state.manager.error_exit = jpegFail;
  state.manager.emit_message = jpegMessage;
  state.manager.output_message = jpegSilent;
  if (setjmp(state.jump) != 0) {
    jpeg_destroy_decompress(&info);
    return state.problem;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  info.scale_num = 1;
  info.scale_denom = 8;
  info.dct_method = JDCT_IFAST;
  info.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&info);
  const JDIMENSION width = info.output_width * static_cast<JDIMENSION>(info.output_components);
  JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, width, 1);
  while (info.output_scanline < info.output_height) {
    jpeg_read_scanlines(&info, row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return state.problem;
}

// ---- PNG: libpng with its errors and the warnings of damaged data kept.

struct PngState {
  char problem[256] = {};
  png_bytep row = nullptr;
};

void pngKeep(PngState* state, png_const_charp message) {
  if (state->problem[0] == '\0') {
    std::snprintf(state->problem, sizeof state->problem, "%s", message);
  }
}

[[noreturn]] void pngFail(png_structp png, png_const_charp message) {
  pngKeep(static_cast<PngState*>(png_get_error_ptr(png)), message);
  png_longjmp(png, 1);
}

// Check sums and compressed data that do not add up come as warnings ("benign errors"); others,
// such as a colour profile the library dislikes, leave the picture whole.
void pngWarning(png_structp png, png_const_charp message) {
  const char* const damaged[] = {"CRC", "image data", "compressed data", "IDAT"};
  for (const char* word : damaged) {
    if (std::strstr(message, word) != nullptr) {
      pngKeep(static_cast<PngState*>(png_get_error_ptr(png)), message);
    }
  }
}

std::string pngDamage(std::FILE* file) {
  PngState state;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, pngFail, pngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return {};
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_free(png, state.row);
    png_destroy_read_struct(&png, &info, nullptr);
    return state.problem;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  state.row = static_cast<png_bytep>(png_malloc(png, png_get_rowbytes(png, info)));
  const png_uint_32 height = png_get_image_height(png, info);
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, state.row, nullptr);
    }
  }
  png_read_end(png, nullptr);
  png_free(png, state.row);
  png_destroy_read_struct(&png, &info, nullptr);
  return state.problem;
}

// ---- TIFF: libtiff with handlers of this file's own, every strip or tile of the first picture read.

// The message alone: libtiff names the file or its own function as the module, and the caller names
// the photo.
int tiffError(TIFF*, void* userData, const char*, const char* format, va_list arguments) {
  auto* problem = static_cast<std::string*>(userData);
  if (problem->empty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    *problem = text;
  }
  return 1;
}

int tiffWarning(TIFF*, void*, const char*, const char*, va_list) {
  return 1; // unknown tags and the like: the picture is whole
}

std::string tiffDamage(const std::string& path) {
  std::string problem;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, tiffError, &problem);
  TIFFOpenOptionsSetWarningHandlerExtR(options, tiffWarning, nullptr);
  TIFF* tiff = TIFFOpenExt(path.c_str(), "r", options);
  TIFFOpenOptionsFree(options);
  if (tiff == nullptr) {
    return problem.empty() ? "TIFF не открывается" : problem;
  }
  const bool tiled = TIFFIsTiled(tiff) != 0;
  const tmsize_t size = tiled ? TIFFTileSize(tiff) : TIFFStripSize(tiff);
  const uint32_t pieces = tiled ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
  std::vector<unsigned char> buffer(static_cast<std::size_t>(size > 0 ? size : 1));
  for (uint32_t k = 0; k < pieces && problem.empty(); ++k) {
    const tmsize_t read = tiled ? TIFFReadEncodedTile(tiff, k, buffer.data(), size)
                                : TIFFReadEncodedStrip(tiff, k, buffer.data(), size);
    if (read < 0 && problem.empty()) {
      problem = "часть " + std::to_string(k + 1) + " изображения не читается";
    }
  }
  TIFFClose(tiff);
  return problem;
}

enum class Kind { Jpeg, Png, Tiff, Other };

Kind kindOf(const std::string& path) {
  unsigned char head[8] = {};
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(head), sizeof head);
  if (in.gcount() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
    return Kind::Jpeg;
  }
  if (in.gcount() == 8 && std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0) {
    return Kind::Png;
  }
  if (in.gcount() >= 4 && (std::memcmp(head, "II*\0", 4) == 0 || std::memcmp(head, "MM\0*", 4) == 0 ||
                           std::memcmp(head, "II+\0", 4) == 0 || std::memcmp(head, "MM\0+", 4) == 0)) {
    return Kind::Tiff;
  }
  return Kind::Other;
}

PhotoSize jpegSize(std::FILE* file) {
  JpegState state;
  jpeg_decompress_struct info{};
  info.err = jpeg_std_error(&state.manager);
  state.manager.error_exit = jpegFail;
  state.manager.emit_message = jpegMessage;
  state.manager.output_message = jpegSilent;
  if (setjmp(state.jump) != 0) {
    jpeg_destroy_decompress(&info);
    return {};
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  const PhotoSize size{info.image_width, info.image_height};
  jpeg_destroy_decompress(&info);
  return size;
}

PhotoSize pngSize(std::FILE* file) {
  PngState state;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, pngFail, pngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return {};
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    return {};
  }
  png_init_io(png, file);
  // The header's own limits are far beyond ours: the size is judged by the caller.
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_read_info(png, info);
  const PhotoSize size{png_get_image_width(png, info), png_get_image_height(png, info)};
  png_destroy_read_struct(&png, &info, nullptr);
  return size;
}

PhotoSize tiffSize(const std::string& path) {
  std::string problem;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, tiffError, &problem);
  TIFFOpenOptionsSetWarningHandlerExtR(options, tiffWarning, nullptr);
  TIFF* tiff = TIFFOpenExt(path.c_str(), "r", options);
  TIFFOpenOptionsFree(options);
  if (tiff == nullptr) {
    return {};
  }
  uint32_t width = 0;
  uint32_t height = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFClose(tiff);
  return {width, height};
}

} // namespace

bool isPhotoKind(const std::string& path) {
  return kindOf(path) != Kind::Other;
}

PhotoSize photoSize(const std::string& path) {
  const Kind kind = kindOf(path);
  if (kind == Kind::Other) {
    return {};
  }
  if (kind == Kind::Tiff) {
    return tiffSize(path);
  }
  const File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    return {};
  }
  return kind == Kind::Jpeg ? jpegSize(file.get()) : pngSize(file.get());
}

std::string streamDamage(const std::string& path) {
  const Kind kind = kindOf(path);
  if (kind == Kind::Other) {
    return {};
  }
  if (kind == Kind::Tiff) {
    return tiffDamage(path);
  }
  const File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    return {};
  }
  return kind == Kind::Jpeg ? jpegDamage(file.get()) : pngDamage(file.get());
}

} // namespace kavo::detect
