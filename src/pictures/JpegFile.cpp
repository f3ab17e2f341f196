// Reading and writing Jpeg files with libjpeg.
#include "pictures/ImageFile.h"

TImageRead ReadJpeg(std::span<const std::uint8_t>) {
  TImageRead result;
  result.Error = "not built yet";
  return result;
}

std::optional<QByteArray> EncodeJpeg(const QImage&, int, QString* error) {
  if (error) *error = "not built yet";
  return std::nullopt;
}
