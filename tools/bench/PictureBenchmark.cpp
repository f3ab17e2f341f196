// How fast the picture import is: one slider step on a 6000 × 4000 source (stretch, conversion,
// preview), the import of a 6000 × 4000 baseline JPEG against the JPEG library's own decoder
// program, and the import of the same picture as BMP, TIFF and GIF. Makes its own files.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include "picture/GreyLevels.h"
#include "picture/ImageFile.h"
#include "picture/PictureCodec.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double MedianMs(int runs, const std::function<void()>& run) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    run();
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  return Median(times);
}

// Smooth colour fields with fine grain, so the JPEG is as large and as busy as a photograph's.
QImage PhotoLike() {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  std::uint32_t noise = 12345;
  for (int y = 0; y < kHeight; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int grain = static_cast<int>(noise >> 28) - 8;
      const double u = x / 300.0, v = y / 200.0;
      const int r = static_cast<int>(128 + 100 * std::sin(u) * std::cos(v * 0.7)) + grain;
      const int g = static_cast<int>(128 + 90 * std::sin(u * 0.5 + v)) + grain;
      const int b = static_cast<int>(140 + 80 * std::cos(u * 0.3 - v * 0.9)) + grain;
      line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
    }
  }
  return image;
}

bool Write(const QString& path, const std::optional<QByteArray>& bytes) {
  QFile file(path);
  return bytes && file.open(QIODevice::WriteOnly) && file.write(*bytes) == bytes->size();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QImage photo = PhotoLike();

  QImage working = MakeWorkingPicture();
  int step = 0;
  const double slider = MedianMs(400, [&] {
    const int value = step++ % 121;
    RedrawWorkingPicture(photo, working, {value, 60, 120 - value});
    const QImage preview = PreviewOf(working, {256, 160});
    static_cast<void>(preview);
  });
  std::printf("slider step on a %d x %d source, median of 400: %.3f ms\n", kWidth, kHeight, slider);

  const QString jpeg = dir.filePath("photo.jpg");
  if (!Write(jpeg, EncodeJpeg(photo, 90))) {
    std::printf("JPEG import: cannot write the sample\n");
  } else {
    const double ours = MedianMs(9, [&] { ReadImageFile(jpeg); });
    const QString djpeg = QStandardPaths::findExecutable("djpeg");
    if (djpeg.isEmpty()) {
      std::printf("JPEG import: %.1f ms (djpeg not installed: libjpeg-turbo-progs)\n", ours);
    } else {
      const double theirs = MedianMs(9, [&] {
        QProcess::execute(djpeg, {"-ppm", "-outfile", "/dev/null", jpeg});
      });
      std::printf("JPEG import, median of 9: %.1f ms; djpeg to /dev/null: %.1f ms; ratio %.2f\n",
                  ours, theirs, ours / theirs);
    }
  }

  const struct {
    const char* name;
    TImageFormat format;
  } others[] = {
      {"BMP", TImageFormat::Bmp}, {"TIFF", TImageFormat::Tiff}, {"GIF", TImageFormat::Gif}};
  for (const auto& other : others) {
    const QString path = dir.filePath(QString("photo.") + other.name);
    if (!Write(path, EncodeImage(photo, other.format))) {
      std::printf("%s import: cannot write the sample\n", other.name);
      continue;
    }
    bool read = true;
    const double ms = MedianMs(5, [&] { read = read && !ReadImageFile(path).Image.isNull(); });
    std::printf("%s import, median of 5: %.1f ms%s\n", other.name, ms, read ? "" : " (FAILED)");
  }
  return 0;
}
