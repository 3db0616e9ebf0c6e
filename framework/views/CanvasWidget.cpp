#include "framework/views/CanvasWidget.h"

#include <QPainter>

#include "framework/Picture.h"

void CanvasWidget::SetPicture(PicturePtr picture) {
  fPicture = std::move(picture);
  fDecoded = false;
  fImage = QImage();
  fMasked = QImage();
  update();
}

void CanvasWidget::paintEvent(QPaintEvent*) {
  if (!fPicture) return;
  if (!fDecoded) {
    fDecoded = true;
    const std::string& data = fPicture->Data();
    fImage.loadFromData(reinterpret_cast<const uchar*>(data.data()), static_cast<int>(data.size()));
  }
  if (fImage.isNull()) return;
  QPainter painter(this);
  // The transparency is read at each drawing: it may be set after the picture was given.
  if (fPicture->Transparent() == 1) {
    if (fMasked.isNull()) fMasked = WithoutWhite(fImage);
    painter.drawImage(0, 0, fMasked);
  } else {
    painter.drawImage(0, 0, fImage);
  }
}

QImage CanvasWidget::WithoutWhite(const QImage& image) {
  QImage result = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < result.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
    for (int x = 0; x < result.width(); ++x) {
      if ((line[x] & 0x00ffffffu) == 0x00ffffffu) line[x] = qRgba(255, 255, 255, 0);
    }
  }
  return result;
}
