#pragma once
#include <memory>
#include <string>

// Picture: an image file's bytes, kept as they are; the view that draws it decodes them. Only
// pictures of a kind recognised from their header are made, and their size comes from that header.
class Picture;
using PicturePtr = std::shared_ptr<Picture>;

class Picture {
 public:
  Picture(std::string data, int width, int height);
  // data: a whole PNG, JPEG, GIF or BMP file. None for anything else, or a header without a size.
  static PicturePtr FromData(std::string data);

  int Width() const { return fWidth; }
  int Height() const { return fHeight; }
  int Transparent() const { return fTransparent; }
  // 1: white pixels are drawn transparent, as a mask of the picture's white.
  void SetTransparent(int transparent) { fTransparent = transparent; }
  const std::string& Data() const { return fData; }

 private:
  std::string fData;
  int fWidth, fHeight;
  int fTransparent = 0;
};
