// bench_documents: writes COUNT InDesign documents into FOLDER for the benchmarks.
//
//   bench_documents FOLDER COUNT
//
// Each is 4 KiB: the class identifier, "DOCUMENT", the byte-order flag at offset 24, four unused
// bytes and the version at offset 29. Versions run CS to CS4 (3 to 6) and byte orders alternate,
// so the detection takes every branch. The name tells what the header holds ("00042-5b.indd":
// version 5, big-endian), which lets the detection benchmark check its answers.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_documents FOLDER COUNT\n");
    return 2;
  }
  const std::string folder = argv[1];
  const long count = std::strtol(argv[2], nullptr, 10);
  static const unsigned char kClassId[16] = {0x06, 0x06, 0xED, 0xF5, 0xD8, 0x1D, 0x46, 0xE5,
                                             0xBD, 0x31, 0xEF, 0xE7, 0xFE, 0x74, 0xB7, 0x1D};
  for (long i = 0; i < count; ++i) {
    const int32_t version = 3 + static_cast<int32_t>(i % 4);
    const bool bigEndian = (i / 4) % 2 == 1;
    unsigned char header[4096] = {};
    for (int b = 0; b < 16; ++b) header[b] = kClassId[b];
    for (int b = 0; b < 8; ++b) header[16 + b] = static_cast<unsigned char>("DOCUMENT"[b]);
    header[24] = bigEndian ? 2 : 1;
    const uint32_t value = static_cast<uint32_t>(version);
    for (int b = 0; b < 4; ++b) {
      header[29 + b] = static_cast<unsigned char>(bigEndian ? value >> (24 - 8 * b) : value >> (8 * b));
    }
    char name[64];
    std::snprintf(name, sizeof name, "/%05ld-%d%c.indd", i, version, bigEndian ? 'b' : 'l');
    const std::string path = folder + name;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, header, sizeof header) != static_cast<ssize_t>(sizeof header) || close(fd) != 0) {
      std::perror(path.c_str());
      return 1;
    }
  }
  return 0;
}
