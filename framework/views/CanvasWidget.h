#pragma once
// CanvasWidget: a canvas's view. It decodes its picture when first drawn, and with the picture's
// Transparent 1 its white pixels let the window show through.
#include <QImage>
#include <QWidget>

#include "framework/Toolkit.h"

class CanvasWidget : public QWidget {
 public:
  void SetPicture(PicturePtr picture);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  static QImage WithoutWhite(const QImage& image);

  PicturePtr fPicture;
  bool fDecoded = false;
  QImage fImage;   // the picture decoded, made on first use
  QImage fMasked;  // the picture without its white, made on first use
};
