#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "framework/FolderItem.h"

class BinaryStream;
class CPreferences;

// DocumentDetection: what a dropped document is, told from its name and first bytes. A first byte
// "<" marks an InCopy XML story, read for its first two lines; any other file is read as an
// InDesign document or template for the byte order and version fields of its header. No signature
// is checked. A story's lines may be of any length: they are scanned, not held. The header reader
// closes the stream; the XML reader leaves it open for the caller.
class DocumentDetection {
 public:
  int32_t docVersion = -1;      // the version code; -1 when not recognised
  bool preferInDesign = false;  // try the version's InDesign application first
  bool canUseInDesign = true;   // InDesign may open the document at all
  std::optional<int32_t> iconKind;  // the icon to stamp, none for an unrecognised document

  // stream: the document opened read-only at offset 0. preferences gives the InDesign documents'
  // default applications. Writes the detection's note lines.
  static DocumentDetection Detect(const FolderItem& item, BinaryStream& stream, const CPreferences& preferences);

 private:
  void ReadInDesignHeader(const FolderItem& item, BinaryStream& stream, const CPreferences& preferences);
  void ReadInCopyStory(BinaryStream& stream);  // the "<" read, the stream just past it
};
