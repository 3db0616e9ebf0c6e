#include "framework/Canvas.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include "framework/Picture.h"

namespace {

// Paints the backdrop; with the picture's Transparent 1 its white pixels let the window show through.
class CanvasWidget : public QWidget {
 public:
  void SetPicture(PicturePtr picture) {
    fPicture = std::move(picture);
    fMasked = QImage();
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!fPicture || fPicture->Image().isNull()) return;
    QPainter painter(this);
    if (fPicture->Transparent() == 1) {
      if (fMasked.isNull()) fMasked = WithoutWhite(fPicture->Image());
      painter.drawImage(0, 0, fMasked);
    } else {
      painter.drawImage(0, 0, fPicture->Image());
    }
  }

 private:
  static QImage WithoutWhite(const QImage& image) {
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
      for (int x = 0; x < result.width(); ++x) {
        if ((line[x] & 0x00ffffffu) == 0x00ffffffu) line[x] = qRgba(255, 255, 255, 0);
      }
    }
    return result;
  }

  PicturePtr fPicture;
  QImage fMasked;  // the picture without its white, made on first use
};

}  // namespace

Canvas::Canvas(Window* window, std::string name)
    : RectControl(window, std::move(name), std::make_unique<CanvasWidget>()) {}

void Canvas::SetBackdrop(PicturePtr picture) {
  fBackdrop = picture;
  // The widget keeps its own reference, so painting never reaches back into this control.
  if (NativeWidget()) static_cast<CanvasWidget*>(NativeWidget())->SetPicture(std::move(picture));
}
