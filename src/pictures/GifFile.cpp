// Reading and writing Gif files with libgif.
#include "pictures/ImageFile.h"

TImageRead ReadGif(std::span<const std::uint8_t>) {
  TImageRead result;
  result.Error = "not built yet";
  return result;
}

std::optional<QByteArray> EncodeGif(const QImage&, QString* error) {
  if (error) *error = "not built yet";
  return std::nullopt;
}
