#include "plugin/IconFamily.h"

#include <optional>

namespace {

// Icon family files are big-endian throughout, whatever the machine.
uint32_t BigEndian32(const std::string& bytes, size_t offset) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 3]));
}

constexpr size_t kHeaderSize = 8;  // four-character code and length, for the file and each element
const std::string kPNGSignature("\x89PNG\r\n\x1a\n", 8);

// The width a PNG's header chunk gives, or none when the data is no PNG we can read.
std::optional<uint32_t> PNGWidth(const std::string& data) {
  // Signature, then the IHDR chunk: length, "IHDR", width.
  if (data.size() < 24 || data.compare(0, 8, kPNGSignature) != 0 || data.compare(12, 4, "IHDR") != 0) {
    return std::nullopt;
  }
  return BigEndian32(data, 16);
}

}  // namespace

bool IconFamilyMBS::SetData(const std::string& bytes) {
  fElements.clear();
  if (bytes.size() < kHeaderSize || bytes.compare(0, 4, "icns") != 0 ||
      BigEndian32(bytes, 4) != bytes.size()) {
    return false;
  }
  std::vector<Element> elements;
  size_t offset = kHeaderSize;
  while (offset < bytes.size()) {
    if (bytes.size() - offset < kHeaderSize) return false;
    const uint32_t length = BigEndian32(bytes, offset + 4);
    if (length < kHeaderSize || length > bytes.size() - offset) return false;
    elements.push_back({bytes.substr(offset, 4), bytes.substr(offset + kHeaderSize, length - kHeaderSize)});
    offset += length;
  }
  if (elements.empty()) return false;
  fElements = std::move(elements);
  return true;
}

std::string IconFamilyMBS::LargestPNG() const {
  const Element* best = nullptr;
  uint32_t bestWidth = 0;
  for (const Element& element : fElements) {
    const auto width = PNGWidth(element.data);
    if (!width) continue;
    if (best == nullptr || *width > bestWidth ||
        (*width == bestWidth && element.data.size() > best->data.size())) {
      best = &element;
      bestWidth = *width;
    }
  }
  return best != nullptr ? best->data : std::string();
}

std::unique_ptr<IconFamilyMBS> NewIconFamilyMBS() { return std::make_unique<IconFamilyMBS>(); }
