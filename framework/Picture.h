#pragma once
#include <memory>
#include <string>

class QImage;

// Picture: an image loaded from a file.
class Picture {
 public:
  explicit Picture(const QImage& image);
  ~Picture();
  int Width() const;
  int Height() const;
  int Transparent() const { return fTransparent; }
  // 1: white pixels are drawn transparent, as a mask of the picture's white.
  void SetTransparent(int transparent) { fTransparent = transparent; }
  const QImage& Image() const { return *fImage; }

 private:
  std::unique_ptr<QImage> fImage;
  int fTransparent = 0;
};
