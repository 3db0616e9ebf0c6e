// make_resources: draws Tessarine's artwork and writes the files the bundle and the desktop carry.
//
//   make_resources RESOURCES_DIR DESKTOP_ICONS_DIR
//       writes the twelve document icon families (*.icns) and smalllogo.png into RESOURCES_DIR,
//       and the application and document-kind icons, in the hicolor layout, into
//       DESKTOP_ICONS_DIR/hicolor/<n>x<n>/{apps,mimetypes}/.
//   make_resources --sheet RESOURCES_DIR OUT.png
//       shows the twelve icon families read back from RESOURCES_DIR side by side in a window,
//       grabs that window from the screen and saves it as OUT.png (run it under Xvfb).
//
// Every image is drawn at its own size rather than scaled down from the largest, so the small
// ones get whole-pixel edges and text sized for them.
#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRasterWindow>
#include <QScreen>
#include <QTimer>
#include <QtEndian>

#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

struct Kind {
  const char* prefix;  // file name prefix and the label drawn on the sheet
  QColor colour;
  bool guides;         // templates show dashed margin guides
  const char* mimeIcon;  // icon name of the kind's MIME type
};

const std::array<Kind, 3> kKinds{{
    {"ID", QColor(0xC2, 0x18, 0x5B), false, "application-x-adobe-indesign"},
    {"IC", QColor(0x00, 0x83, 0x8F), false, "application-x-adobe-incopy"},
    {"IDT", QColor(0x6A, 0x3F, 0xA6), true, "application-x-adobe-indesign-template"},
}};

struct Version {
  int code;
  const char* name;
};

const std::array<Version, 4> kVersions{{{3, "CS"}, {4, "CS2"}, {5, "CS3"}, {6, "CS4"}}};

// The sizes of an icon family and the element type that holds a PNG image of each.
struct FamilySize {
  int pixels;
  const char* type;
};

const std::array<FamilySize, 6> kFamilySizes{{
    {16, "icp4"}, {32, "icp5"}, {64, "icp6"}, {128, "ic07"}, {256, "ic08"}, {512, "ic09"}}};

const std::array<int, 7> kAppIconSizes{16, 32, 48, 64, 128, 256, 512};

const QColor kInk(0x33, 0x3A, 0x44);
const QColor kSlate(0x37, 0x47, 0x4F);
const QColor kSlateLight(0x54, 0x6E, 0x7A);

QString IconFileName(const Kind& kind, const Version& version) {
  return QStringLiteral("%1_%2_%3.icns").arg(kind.prefix).arg(version.code).arg(version.name);
}

// The largest bold font whose tight bounds of text fit into box.
QFont FittingFont(const QString& text, QSizeF box, const QString& family) {
  QFont font(family);
  font.setBold(true);
  font.setHintingPreference(QFont::PreferFullHinting);
  font.setStyleStrategy(QFont::PreferAntialias);
  int pixels = std::max(4, static_cast<int>(box.height() * 1.6));
  for (; pixels > 4; --pixels) {
    font.setPixelSize(pixels);
    const QRectF tight = QFontMetricsF(font).tightBoundingRect(text);
    if (tight.width() <= box.width() && tight.height() <= box.height()) break;
  }
  font.setPixelSize(pixels);
  return font;
}

// Draws text centred on its ink (not on its line box), so caps sit in the middle of box.
void DrawCentredText(QPainter& p, const QString& text, const QRectF& box, const QFont& font,
                     const QColor& colour) {
  const QRectF tight = QFontMetricsF(font).tightBoundingRect(text);
  const QPointF origin(box.center().x() - tight.center().x(),
                       box.center().y() - tight.center().y());
  p.setFont(font);
  p.setPen(colour);
  p.drawText(QPointF(std::round(origin.x()), std::round(origin.y())), text);
}

// A document sheet with its top right corner folded over. version may be empty (the kind's own
// icon, without a version band).
QImage DrawDocumentIcon(int size, const Kind& kind, const QString& version) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  const double s = size;
  // Whole-pixel edges; 1 px strokes sit on half pixels so they stay sharp at 16 and 32.
  const double line = std::max(1.0, std::round(s / 64.0));
  const double half = line / 2.0;
  const double left = std::round(s * 0.14) + half;
  const double right = std::round(s * 0.86) - half;
  const double top = std::round(s * 0.04) + half;
  const double bottom = std::round(s * 0.96) - half;
  const double fold = std::round((right - left) * 0.30);

  QPainterPath sheet;
  sheet.moveTo(left, top);
  sheet.lineTo(right - fold, top);
  sheet.lineTo(right, top + fold);
  sheet.lineTo(right, bottom);
  sheet.lineTo(left, bottom);
  sheet.closeSubpath();

  if (size >= 64) {
    // A soft shadow under the sheet; too muddy to help at the small sizes.
    p.save();
    p.translate(s / 128.0, s / 64.0);
    p.fillPath(sheet, QColor(0, 0, 0, 40));
    p.restore();
  }

  QLinearGradient paper(0, top, 0, bottom);
  paper.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
  paper.setColorAt(1, QColor(0xEC, 0xEF, 0xF2));
  p.fillPath(sheet, paper);

  if (kind.guides && size >= 64) {
    // Margin guides in the kind's colour: what sets a template apart besides its colour.
    const double inset = std::max(3.0, std::round(s * 0.07));
    QPen guide(kind.colour.lighter(150), std::max(1.0, std::round(s / 128.0)), Qt::DashLine);
    p.setPen(guide);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(left + inset, top + fold + inset / 2, right - left - 2 * inset,
                      bottom - top - fold - inset * 1.5));
  }

  // Lines of text on the sheet, under the label.
  if (size >= 128) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xC5, 0xCB, 0xD3));
    const double lineLeft = left + s * 0.09;
    const double lineRight = right - s * 0.09;
    const double lineHeight = std::max(2.0, std::round(s / 64.0));
    for (int i = 0; i < 3; ++i) {
      const double y = std::round(s * (0.33 + 0.055 * i));
      const double end = i == 2 ? lineLeft + (lineRight - lineLeft) * 0.6 : lineRight;
      p.drawRect(QRectF(lineLeft, y, end - lineLeft, lineHeight));
    }
  }

  p.setPen(QPen(kInk, line, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(sheet);

  // The folded corner.
  QPainterPath flap;
  flap.moveTo(right - fold, top);
  flap.lineTo(right - fold, top + fold);
  flap.lineTo(right, top + fold);
  flap.closeSubpath();
  p.setBrush(QColor(0xD3, 0xD8, 0xDE));
  p.drawPath(flap);

  // The kind's label, top left, in its colour. At 16 pixels there is no room for text: the
  // colour alone tells the kind.
  if (size >= 32) {
    const double labelTop = top + (size >= 64 ? s * 0.05 : s * 0.06);
    const double labelHeight = size >= 64 ? s * 0.13 : s * 0.19;
    const QRectF labelBox(left + std::max(2.0, s * 0.05), labelTop,
                          right - fold - left - std::max(2.0, s * 0.06) - s * 0.02, labelHeight);
    const QFont font = FittingFont(kind.prefix, labelBox.size(), QStringLiteral("DejaVu Sans"));
    const QRectF tight = QFontMetricsF(font).tightBoundingRect(kind.prefix);
    p.setFont(font);
    p.setPen(kind.colour);
    p.drawText(QPointF(std::round(labelBox.left() - tight.left()),
                       std::round(labelBox.top() - tight.top())),
               kind.prefix);
  }

  // The version on a band in the kind's colour that reaches past the sheet's edges, so the
  // name gets the whole width of the icon.
  const double bandTop = std::round(s * (version.isEmpty() ? 0.62 : 0.50));
  const double bandBottom = std::round(s * (version.isEmpty() ? 0.76 : 0.86));
  const double bandLeft = std::round(s * (version.isEmpty() ? 0.14 : 0.02));
  const double bandRight = s - bandLeft;
  const QRectF band(bandLeft, bandTop, bandRight - bandLeft, bandBottom - bandTop);
  QLinearGradient bandFill(0, bandTop, 0, bandBottom);
  bandFill.setColorAt(0, kind.colour.lighter(115));
  bandFill.setColorAt(1, kind.colour.darker(115));
  p.setPen(size >= 64 ? QPen(kind.colour.darker(140), line) : Qt::NoPen);
  p.setBrush(bandFill);
  const double radius = size >= 64 ? s * 0.04 : 1.0;
  p.drawRoundedRect(size >= 64 ? band.adjusted(half, half, -half, -half) : band, radius, radius);

  if (!version.isEmpty() && size >= 32) {
    const double padX = size >= 64 ? s * 0.06 : 1.0;
    const double padY = size >= 64 ? s * 0.07 : 1.5;
    const QRectF textBox = band.adjusted(padX, padY, -padX, -padY);
    const QFont font =
        FittingFont(version, textBox.size(), QStringLiteral("DejaVu Sans Condensed"));
    DrawCentredText(p, version, band, font, Qt::white);
  }
  return image;
}

// The program's logo: a letter T laid out of five tiles in the three document colours and
// slate. opaque draws it on white for the program's windows (which draw white as transparent);
// otherwise on a transparent ground for the desktop.
QImage DrawLogo(int size, bool opaque) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(opaque ? Qt::white : Qt::transparent);
  QPainter p(&image);
  const double s = size;
  const double margin = std::round(s * (opaque ? 0.04 : 0.03));
  const double gap = std::max(1.0, std::round(s * 0.03));
  const double tile = std::floor((s - 2 * margin - 2 * gap) / 3.0);
  const double origin = std::floor((s - 3 * tile - 2 * gap) / 2.0);
  // Rounded, antialiased tiles only where the ground is transparent: on the white ground a
  // blended edge would leave a pale fringe once the white is taken away.
  const bool rounded = !opaque && size >= 32;
  if (rounded) p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);

  auto drawTile = [&](int column, int row, const QColor& colour) {
    const QRectF r(origin + column * (tile + gap), origin + row * (tile + gap), tile, tile);
    QLinearGradient fill(r.topLeft(), r.bottomRight());
    fill.setColorAt(0, colour.lighter(112));
    fill.setColorAt(1, colour.darker(112));
    p.setBrush(fill);
    if (rounded) {
      p.drawRoundedRect(r, tile * 0.18, tile * 0.18);
    } else {
      p.drawRect(r);
    }
  };
  drawTile(0, 0, kKinds[0].colour);
  drawTile(1, 0, kKinds[2].colour);
  drawTile(2, 0, kKinds[1].colour);
  drawTile(1, 1, kSlateLight);
  drawTile(1, 2, kSlate);
  return image;
}

QByteArray EncodePNG(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

void AppendBigEndian32(QByteArray& out, quint32 value) {
  char bytes[4];
  qToBigEndian(value, bytes);
  out.append(bytes, 4);
}

// An icon family: "icns", the total length, then one element per image, each its type, its
// length counting its own 8-byte header, and a PNG image.
QByteArray BuildIconFamily(const Kind& kind, const Version& version) {
  QByteArray elements;
  for (const FamilySize& familySize : kFamilySizes) {
    const QByteArray png =
        EncodePNG(DrawDocumentIcon(familySize.pixels, kind, QString::fromLatin1(version.name)));
    elements.append(familySize.type, 4);
    AppendBigEndian32(elements, static_cast<quint32>(png.size() + 8));
    elements.append(png);
  }
  QByteArray family("icns");
  AppendBigEndian32(family, static_cast<quint32>(elements.size() + 8));
  family.append(elements);
  return family;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "make_resources: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(QDir::cleanPath(path)));
  return true;
}

bool WritePNG(const QString& path, const QImage& image) {
  if (!QDir().mkpath(QFileInfo(path).path())) return false;
  return WriteFile(path, EncodePNG(image));
}

int GenerateAll(const QString& resourcesDir, const QString& iconsDir) {
  if (!QDir().mkpath(resourcesDir)) return 1;
  bool ok = true;
  for (const Kind& kind : kKinds) {
    for (const Version& version : kVersions) {
      ok &= WriteFile(resourcesDir + "/" + IconFileName(kind, version),
                      BuildIconFamily(kind, version));
    }
  }
  ok &= WritePNG(resourcesDir + "/smalllogo.png", DrawLogo(48, true));

  for (int size : kAppIconSizes) {
    const QString folder = QStringLiteral("%1/hicolor/%2x%2/").arg(iconsDir).arg(size);
    ok &= WritePNG(folder + "apps/tessarine.png", DrawLogo(size, false));
    for (const Kind& kind : kKinds) {
      ok &= WritePNG(folder + "mimetypes/" + kind.mimeIcon + ".png",
                     DrawDocumentIcon(size, kind, QString()));
    }
  }
  return ok ? 0 : 1;
}

// Reads the PNG images of an .icns file back, by their element type.
std::optional<std::vector<std::pair<QByteArray, QImage>>> ReadIconFamily(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.readAll();
  if (bytes.size() < 8 || !bytes.startsWith("icns") ||
      qFromBigEndian<quint32>(bytes.constData() + 4) != static_cast<quint32>(bytes.size())) {
    return std::nullopt;
  }
  std::vector<std::pair<QByteArray, QImage>> images;
  qsizetype at = 8;
  while (at + 8 <= bytes.size()) {
    const quint32 length = qFromBigEndian<quint32>(bytes.constData() + at + 4);
    if (length < 8 || static_cast<quint64>(at) + length > static_cast<quint64>(bytes.size())) {
      return std::nullopt;
    }
    images.emplace_back(bytes.mid(at, 4), QImage::fromData(bytes.mid(at + 8, length - 8), "PNG"));
    at += length;
  }
  return images;
}

// The screenshot window: one column per version, one row per kind; each cell shows the 128
// image large and the 32 and 16 images beside it, labelled with the file name.
class SheetWindow : public QRasterWindow {
 public:
  explicit SheetWindow(const QString& resourcesDir) {
    for (const Kind& kind : kKinds) {
      for (const Version& version : kVersions) {
        Cell cell;
        cell.name = IconFileName(kind, version);
        if (auto images = ReadIconFamily(resourcesDir + "/" + cell.name)) {
          for (auto& [type, image] : *images) {
            if (type == "ic07") cell.large = image;
            if (type == "icp5") cell.medium = image;
            if (type == "icp4") cell.small = image;
          }
        }
        fCells.push_back(cell);
      }
    }
    resize(kColumns * kCellWidth + 2 * kPad, kRows * kCellHeight + 2 * kPad);
    setTitle(QStringLiteral("Tessarine document icons"));
  }

  bool Complete() const {
    for (const Cell& cell : fCells) {
      if (cell.large.isNull() || cell.medium.isNull() || cell.small.isNull()) return false;
    }
    return true;
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(QRect(QPoint(0, 0), size()), QColor(0xF4, 0xF5, 0xF7));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    p.setFont(font);
    for (int i = 0; i < static_cast<int>(fCells.size()); ++i) {
      const Cell& cell = fCells[i];
      const int x = kPad + (i % kColumns) * kCellWidth;
      const int y = kPad + (i / kColumns) * kCellHeight;
      p.drawImage(x + 8, y + 4, cell.large);
      p.drawImage(x + 8 + 128 + 10, y + 4 + 128 - 32 - 16 - 8, cell.medium);
      p.drawImage(x + 8 + 128 + 10, y + 4 + 128 - 16, cell.small);
      p.setPen(kInk);
      p.drawText(QRect(x, y + 4 + 128 + 6, kCellWidth, 20), Qt::AlignHCenter | Qt::AlignTop,
                 cell.name);
    }
  }

 private:
  struct Cell {
    QString name;
    QImage large, medium, small;
  };
  static constexpr int kColumns = 4;
  static constexpr int kRows = 3;
  static constexpr int kCellWidth = 200;
  static constexpr int kCellHeight = 168;
  static constexpr int kPad = 12;
  std::vector<Cell> fCells;
};

int ShowSheet(QGuiApplication& app, const QString& resourcesDir, const QString& outPath) {
  SheetWindow window(resourcesDir);
  if (!window.Complete()) {
    std::fprintf(stderr, "make_resources: missing or unreadable icon files in %s\n",
                 qPrintable(resourcesDir));
    return 1;
  }
  window.show();
  int result = 1;
  // Grab from the screen once the window has been mapped and painted.
  QTimer::singleShot(700, &app, [&] {
    const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
    if (!shot.isNull() && QDir().mkpath(QFileInfo(outPath).path()) && shot.save(outPath, "PNG")) {
      std::printf("%s (%dx%d)\n", qPrintable(outPath), shot.width(), shot.height());
      result = 0;
    } else {
      std::fprintf(stderr, "make_resources: cannot grab the window into %s\n",
                   qPrintable(outPath));
    }
    app.quit();
  });
  app.exec();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.size() == 3 && args[0] == QLatin1String("--sheet")) {
    return ShowSheet(app, args[1], args[2]);
  }
  if (args.size() == 2 && !args[0].startsWith(QLatin1String("--"))) {
    return GenerateAll(args[0], args[1]);
  }
  std::fprintf(stderr,
               "usage: make_resources RESOURCES_DIR DESKTOP_ICONS_DIR\n"
               "       make_resources --sheet RESOURCES_DIR OUT.png   (needs a real screen)\n");
  return 2;
}
