// detection_bench: the program's own document detection over every document of a folder, as the
// drop road runs it (the item, the read-only stream, the detection, the close), with nothing else.
//
//   detection_bench FOLDER [PASSES]
//
// Prints "<median ns per pass> <fastest> <slowest>" after checking every answer against the
// document's name (see bench_documents). The detection's note lines are composed and dropped as in
// the program; a quiet platform catches anything that would still be written.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "DocumentList.h"
#include "PassTimer.h"
#include "core/CPreferences.h"
#include "core/DocumentDetection.h"
#include "framework/BinaryStream.h"
#include "framework/FolderItem.h"
#include "fuzz/QuietPlatform.h"

namespace {

// The version the name promises: "00042-5b.indd" holds 5.
int ExpectedVersion(const std::string& path) {
  const size_t dash = path.rfind('-');
  return dash == std::string::npos ? -1 : path[dash + 1] - '0';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: detection_bench FOLDER [PASSES]\n");
    return 2;
  }
  const std::vector<std::string> paths = DocumentList(argv[1]);
  const int passes = argc > 2 ? std::atoi(argv[2]) : 21;
  if (paths.empty()) {
    std::fprintf(stderr, "detection_bench: no documents in %s\n", argv[1]);
    return 1;
  }
  QuietPlatform::Install();
  const CPreferences preferences;

  long wrong = 0;
  long long checksum = 0;
  auto pass = [&] {
    for (const std::string& path : paths) {
      const FolderItem item(path);
      std::unique_ptr<BinaryStream> stream = item.OpenAsBinaryFile(false);
      if (!stream) {
        ++wrong;
        continue;
      }
      const DocumentDetection detected = DocumentDetection::Detect(item, *stream, preferences);
      if (stream->IsOpen()) stream->Close();
      checksum += detected.docVersion;
    }
  };

  // One checked pass first: a fast wrong answer is no result.
  for (const std::string& path : paths) {
    const FolderItem item(path);
    std::unique_ptr<BinaryStream> stream = item.OpenAsBinaryFile(false);
    if (!stream || DocumentDetection::Detect(item, *stream, preferences).docVersion != ExpectedVersion(path)) {
      std::fprintf(stderr, "detection_bench: wrong answer for %s\n", path.c_str());
      return 1;
    }
  }
  TimePasses(passes, 3, pass);
  if (wrong != 0) {
    std::fprintf(stderr, "detection_bench: %ld documents could not be opened\n", wrong);
    return 1;
  }
  return checksum > 0 ? 0 : 1;
}
