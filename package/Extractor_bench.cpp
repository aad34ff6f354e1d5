// Extraction throughput against the limit of the format: a bare zlib
// inflate-and-write loop over the same members.
//
//   extractor_bench make DIR PACKAGE MB    payload of about MB megabytes in DIR
//                                          (text, binary records, noise), packed
//   extractor_bench extract PACKAGE DEST   ExtractPackage only (for /usr/bin/time -v)
//   extractor_bench bare PACKAGE DEST      the bare loop only
//   extractor_bench compare PACKAGE DEST   both, alternately, best of three each
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "datatable/DataTable.h"
#include "package/Package.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

std::string TextBytes(std::mt19937& random, std::size_t size) {
  static const char* const kWords[] = {"tile ",   "grid ",     "the ",     "of ",
                                       "colour ", "pattern\n", "Tessera ", "mosaic ",
                                       "and ",    "square ",   "12 ",      "edge "};
  std::string text;
  while (text.size() < size) text += kWords[random() % 12];
  text.resize(size);
  return text;
}

// Records of small fields, as in program images and data files.
std::string BinaryBytes(std::mt19937& random, std::size_t size) {
  std::string bytes;
  while (bytes.size() < size) {
    const auto field = [&](std::uint32_t range) {
      return static_cast<std::uint32_t>(random() % range);
    };
    const std::uint32_t record[4] = {static_cast<std::uint32_t>(bytes.size()), field(256),
                                     0x00401000u + field(4096), 0};
    bytes.append(reinterpret_cast<const char*>(record), sizeof(record));
  }
  bytes.resize(size);
  return bytes;
}

std::string NoiseBytes(std::mt19937& random, std::size_t size) {
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

int Make(const fs::path& dir, const fs::path& package, std::size_t megabytes) {
  std::mt19937 random(2024);
  fs::create_directories(dir);
  TPackageWriter writer(package.u16string());
  const std::size_t sizes[] = {4096, 64 * 1024, kMiB, 3 * kMiB, 9 * kMiB};
  std::size_t total = 0;
  for (int i = 0; total < megabytes * kMiB; ++i) {
    const std::size_t size = sizes[i % 5];
    const int kind = i % 3;
    const std::string bytes = kind == 0   ? TextBytes(random, size)
                              : kind == 1 ? BinaryBytes(random, size)
                                          : NoiseBytes(random, size);
    const fs::path file = dir / ("file" + std::to_string(i) + (kind == 0 ? ".txt" : ".bin"));
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
    writer.AddFile(file.u16string(), {u"", file.filename().u16string()});
    total += size;
  }
  writer.Finish(EncryptCipherString(FileTableText(writer.Entries()), u"", 5, 3, u"Tessera!",
                                    u"0123456789abcdef"));
  std::cout << writer.Entries().size() << " files, " << total << " bytes, package "
            << fs::file_size(package) << " bytes\n";
  return 0;
}

void Extract(const fs::path& package, const fs::path& dest) {
  ExtractPackage(package.u16string(), (dest / "").u16string(), u"", {},
                 (dest / "sys" / "").u16string());
}

// Each member read in 64 KiB pieces, inflated into 256 KiB and written.
void Bare(const fs::path& package, const fs::path& dest) {
  const auto table = LoadFileTable(package.u16string(), u"");
  fs::create_directories(dest);
  std::FILE* in = std::fopen(package.c_str(), "rb");
  std::vector<Bytef> input(64 * 1024);
  std::vector<Bytef> output(256 * 1024);
  for (int i = 0; i < table->ItemCount(); ++i) {
    TRow& row = table->Items(i);
    const fs::path target = dest / fs::path(row.Items(1).Text());
    std::FILE* out = std::fopen(target.c_str(), "wb");
    z_stream stream{};
    inflateInit(&stream);
    std::size_t packedLeft = static_cast<std::size_t>(row.Items(2).Value());
    int result = Z_OK;
    while (result != Z_STREAM_END && packedLeft > 0) {
      stream.avail_in =
          static_cast<uInt>(std::fread(input.data(), 1, std::min(input.size(), packedLeft), in));
      stream.next_in = input.data();
      packedLeft -= stream.avail_in;
      do {
        stream.next_out = output.data();
        stream.avail_out = static_cast<uInt>(output.size());
        result = inflate(&stream, Z_NO_FLUSH);
        std::fwrite(output.data(), 1, output.size() - stream.avail_out, out);
      } while (stream.avail_out == 0);
    }
    inflateEnd(&stream);
    std::fclose(out);
  }
  std::fclose(in);
}

double Seconds(void (*run)(const fs::path&, const fs::path&), const fs::path& package,
               const fs::path& dest) {
  fs::remove_all(dest);
  const auto start = std::chrono::steady_clock::now();
  run(package, dest);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return elapsed.count();
}

int Compare(const fs::path& package, const fs::path& dest) {
  const double bytes = static_cast<double>(VerifyPackage(package.u16string(), u"").bytes);
  double extract = 1e9;
  double bare = 1e9;
  for (int round = 0; round < 3; ++round) {
    extract = std::min(extract, Seconds(Extract, package, dest));
    bare = std::min(bare, Seconds(Bare, package, dest));
  }
  fs::remove_all(dest);
  const double extractRate = bytes / extract / kMiB;
  const double bareRate = bytes / bare / kMiB;
  std::printf("ExtractPackage %.1f MiB/s, bare loop %.1f MiB/s, ratio %.3f\n", extractRate,
              bareRate, extractRate / bareRate);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 4 && args[0] == "make") return Make(args[1], args[2], std::stoul(args[3]));
    if (args.size() == 3 && args[0] == "compare") return Compare(args[1], args[2]);
    if (args.size() == 3 && (args[0] == "extract" || args[0] == "bare")) {
      (args[0] == "extract" ? Extract : Bare)(args[1], args[2]);
      return 0;
    }
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  std::cerr << "usage: extractor_bench make DIR PACKAGE MB | extract|bare|compare PACKAGE DEST\n";
  return 2;
}
