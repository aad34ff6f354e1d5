// A PNG writer for screenshots: 8-bit RGB, no filtering, one zlib stream.
#include <zlib.h>

#include <cstdio>
#include <memory>

#include "app/tests/WizardDriver.h"
#include "support/Errors.h"
#include "support/Win32.h"
#include "toolkit/Toolkit.h"

namespace {

void AppendBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xFF);
}

void AppendChunk(std::string& out, const char type[5], const std::string& data) {
  AppendBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::string body = type + data;
  out += body;
  AppendBigEndian(
      out, crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
}

}  // namespace

void WritePng(const std::u16string& path, const TScreenImage& image) {
  // Each row starts with its filter type, 0 for none.
  std::string rows;
  const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
  for (int y = 0; y < image.height; ++y) {
    rows += '\0';
    rows.append(reinterpret_cast<const char*>(image.rgb.data()) + y * stride, stride);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                reinterpret_cast<const Bytef*>(rows.data()), static_cast<uLong>(rows.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    throw Exception(u"Cannot compress the picture for " + path);
  }
  packed.resize(packedSize);

  std::string header;
  AppendBigEndian(header, static_cast<std::uint32_t>(image.width));
  AppendBigEndian(header, static_cast<std::uint32_t>(image.height));
  header +=
      std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
  std::string png("\x89PNG\r\n\x1a\n", 8);
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", packed);
  AppendChunk(png, "IEND", {});

  struct TClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  const std::unique_ptr<std::FILE, TClose> file(_wfopen(win::Wide(path), L"wb"));
  if (!file || std::fwrite(png.data(), 1, png.size(), file.get()) != png.size()) {
    throw Exception(u"Cannot write " + path);
  }
}
