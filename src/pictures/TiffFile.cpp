// Reading and writing Tiff files with libtiff.
#include "pictures/ImageFile.h"

TImageRead ReadTiff(std::span<const std::uint8_t>) {
  TImageRead result;
  result.Error = "not built yet";
  return result;
}

std::optional<QByteArray> EncodeTiff(const QImage&, QString* error) {
  if (error) *error = "not built yet";
  return std::nullopt;
}
