#include "framework/Picture.h"

#include <QImage>

Picture::Picture(const QImage& image) : fImage(std::make_unique<QImage>(image)) {}

Picture::~Picture() = default;

int Picture::Width() const { return fImage->width(); }

int Picture::Height() const { return fImage->height(); }
