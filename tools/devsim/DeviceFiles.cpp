#include "DeviceFiles.h"

#include <algorithm>
#include <cmath>

namespace devsim {

std::optional<std::size_t> AreaSlot(std::uint8_t area) {
  if (area < kLanguageArea || area > kFirmwareArea) return std::nullopt;
  return static_cast<std::size_t>(area - kLanguageArea);
}

Bytes BuildHeader(const FileHeader& header) {
  Bytes raw(kHeaderSize, 0);
  platform::WriteLE32(raw, 0, header.FileSize);
  raw[4] = header.DefaultFlag;
  raw[5] = header.AddedMark;
  raw[6] = header.TypeCode;
  raw[7] = header.AuxByte;
  platform::WriteLE16(raw, 8, header.AuxWord);
  platform::WriteLE16(raw, 10, header.Version);
  const std::size_t nameBytes = std::min(header.Name.size(), kNameSize);
  std::copy_n(header.Name.begin(), nameBytes, raw.begin() + 12);
  platform::WriteLE32(raw, 28, header.Checksum);
  return raw;
}

FileHeader ParseHeader(const Bytes& data) {
  auto byteAt = [&data](std::size_t at) -> std::uint8_t { return at < data.size() ? data[at] : 0; };
  FileHeader header;
  header.FileSize = platform::ReadLE32(data, 0);
  header.DefaultFlag = byteAt(4);
  header.AddedMark = byteAt(5);
  header.TypeCode = byteAt(6);
  header.AuxByte = byteAt(7);
  header.AuxWord = platform::ReadLE16(data, 8);
  header.Version = platform::ReadLE16(data, 10);
  for (std::size_t i = 12; i < 12 + kNameSize && i < data.size() && data[i] != 0; ++i) {
    header.Name.push_back(static_cast<char>(data[i]));
  }
  header.Checksum = platform::ReadLE32(data, 28);
  return header;
}

Bytes MakeFile(FileHeader header, const Bytes& content) {
  header.FileSize = static_cast<std::uint32_t>(kHeaderSize + content.size());
  Bytes file = BuildHeader(header);
  file.insert(file.end(), content.begin(), content.end());
  return file;
}

std::uint32_t ByteSum(const Bytes& data, std::size_t from) {
  std::uint32_t sum = 0;
  for (std::size_t i = from; i < data.size(); ++i) sum += data[i];
  return sum;
}

GreyCanvas::GreyCanvas(int level) {
  levels_.fill(static_cast<std::uint8_t>(level & 3));
}

int GreyCanvas::Level(int x, int y) const {
  if (x < 0 || y < 0 || x >= kPictureWidth || y >= kPictureHeight) return 0;
  return levels_[static_cast<std::size_t>(y * kPictureWidth + x)];
}

void GreyCanvas::Set(int x, int y, int level) {
  if (x < 0 || y < 0 || x >= kPictureWidth || y >= kPictureHeight) return;
  levels_[static_cast<std::size_t>(y * kPictureWidth + x)] = static_cast<std::uint8_t>(level & 3);
}

void GreyCanvas::FillRect(int x0, int y0, int x1, int y1, int level) {
  for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y) {
    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x) Set(x, y, level);
  }
}

void GreyCanvas::FillEllipse(double cx, double cy, double rx, double ry, int level) {
  if (rx <= 0 || ry <= 0) return;
  for (int y = static_cast<int>(std::floor(cy - ry)); y <= static_cast<int>(std::ceil(cy + ry));
       ++y) {
    for (int x = static_cast<int>(std::floor(cx - rx)); x <= static_cast<int>(std::ceil(cx + rx));
         ++x) {
      const double dx = (x + 0.5 - cx) / rx;
      const double dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1.0) Set(x, y, level);
    }
  }
}

void GreyCanvas::Ring(double cx, double cy, double outer, double inner, int level) {
  for (int y = static_cast<int>(cy - outer) - 1; y <= static_cast<int>(cy + outer) + 1; ++y) {
    for (int x = static_cast<int>(cx - outer) - 1; x <= static_cast<int>(cx + outer) + 1; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      if (d <= outer && d >= inner) Set(x, y, level);
    }
  }
}

void GreyCanvas::FillPolygon(const std::vector<std::pair<double, double>>& points, int level) {
  if (points.size() < 3) return;
  for (int y = 0; y < kPictureHeight; ++y) {
    const double sy = y + 0.5;
    std::vector<double> crossings;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const auto& [ax, ay] = points[i];
      const auto& [bx, by] = points[(i + 1) % points.size()];
      if ((ay <= sy && by > sy) || (by <= sy && ay > sy)) {
        crossings.push_back(ax + (sy - ay) * (bx - ax) / (by - ay));
      }
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
      for (int x = static_cast<int>(std::ceil(crossings[i] - 0.5)); x + 0.5 <= crossings[i + 1];
           ++x) {
        Set(x, y, level);
      }
    }
  }
}

void GreyCanvas::Line(double x0, double y0, double x1, double y1, double width, int level) {
  const double length = std::hypot(x1 - x0, y1 - y0);
  const int steps = std::max(1, static_cast<int>(std::ceil(length * 2)));
  const double radius = std::max(0.5, width / 2);
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    FillEllipse(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, radius, radius, level);
  }
}

Bytes GreyCanvas::Encode() const {
  Bytes data(kPixelDataSize, 0);
  for (int y = 0; y < kPictureHeight; ++y) {
    for (int x = 0; x < kPictureWidth; ++x) {
      const int shift = 6 - 2 * (x % 4);
      data[static_cast<std::size_t>(y * 32 + x / 4)] |=
          static_cast<std::uint8_t>(Level(x, y) << shift);
    }
  }
  return data;
}

GreyCanvas GreyCanvas::Decode(const Bytes& pixelData) {
  GreyCanvas canvas(0);
  for (int y = 0; y < kPictureHeight; ++y) {
    for (int x = 0; x < kPictureWidth; ++x) {
      const std::size_t at = static_cast<std::size_t>(y * 32 + x / 4);
      if (at >= pixelData.size()) return canvas;
      canvas.Set(x, y, (pixelData[at] >> (6 - 2 * (x % 4))) & 3);
    }
  }
  return canvas;
}

}  // namespace devsim
