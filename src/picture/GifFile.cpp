// Reading and writing GIF files with giflib, from and to memory.
//
// Only the first image of a file is read: the picture import wants one still picture, and an
// animation of thousands of frames must cost no more than its first frame. The records are
// therefore walked one by one instead of slurping the whole file.
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "picture/ImageFile.h"

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;

QString GifError(int code) {
  const char* text = GifErrorString(code);
  return QString("GIF: %1").arg(text ? QString::fromUtf8(text) : QString("error %1").arg(code));
}

// --- Reading -----------------------------------------------------------------------------------

struct TInput {
  std::span<const std::uint8_t> Bytes;
  std::size_t Position = 0;
};

int ReadFromSpan(GifFileType* gif, GifByteType* target, int wanted) {
  auto* input = static_cast<TInput*>(gif->UserData);
  if (wanted <= 0) return 0;
  const std::size_t count =
      std::min(static_cast<std::size_t>(wanted), input->Bytes.size() - input->Position);
  if (count > 0) std::memcpy(target, input->Bytes.data() + input->Position, count);
  input->Position += count;
  return static_cast<int>(count);
}

struct TDecoderClose {
  void operator()(GifFileType* gif) const {
    int ignored = 0;
    DGifCloseFile(gif, &ignored);
  }
};
using TDecoder = std::unique_ptr<GifFileType, TDecoderClose>;

// Skips the remaining data blocks of an extension; a Graphics Control Extension's transparent
// index is kept, the last one before the image being the one that applies to it.
bool ReadExtension(GifFileType* gif, int* transparent) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
  if (code == GRAPHICS_EXT_FUNC_CODE && block) {
    GraphicsControlBlock control;
    // A malformed control block only loses its transparency; the picture still reads.
    if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
      *transparent = control.TransparentColor;
    }
  }
  while (block) {
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
  return true;
}

// The image's rows in the order the file stores them: top to bottom, or the four interlace passes.
std::vector<int> RowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  constexpr int kOffsets[] = {0, 4, 2, 1};
  constexpr int kSteps[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int y = kOffsets[pass]; y < height; y += kSteps[pass]) rows.push_back(y);
  }
  return rows;
}

}  // namespace

TImageRead ReadGif(std::span<const std::uint8_t> bytes) {
  TImageRead result;
  TInput input{bytes};
  int openError = 0;
  const TDecoder gif(DGifOpen(&input, ReadFromSpan, &openError));
  if (!gif) {
    result.Error = GifError(openError);
    return result;
  }
  // Nothing has been allocated for pixels yet: the header's claim is checked first.
  if (!ImageSizeAllowed(gif->SWidth, gif->SHeight)) {
    result.Error = QString("GIF screen of %1 × %2 pixels").arg(gif->SWidth).arg(gif->SHeight);
    return result;
  }

  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) {
      result.Error = GifError(gif->Error);
      return result;
    }
    if (record == IMAGE_DESC_RECORD_TYPE) break;
    if (record == TERMINATE_RECORD_TYPE) {
      result.Error = "GIF without an image";
      return result;
    }
    if (record == EXTENSION_RECORD_TYPE && !ReadExtension(gif.get(), &transparent)) {
      result.Error = GifError(gif->Error);
      return result;
    }
  }
  if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
    result.Error = GifError(gif->Error);
    return result;
  }
  const GifImageDesc& desc = gif->Image;
  // Decoding an image costs its whole size even where the screen clips it.
  if (!ImageSizeAllowed(desc.Width, desc.Height)) {
    result.Error = QString("GIF image of %1 × %2 pixels").arg(desc.Width).arg(desc.Height);
    return result;
  }
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  if (!map || !map->Colors || map->ColorCount <= 0) {
    result.Error = "GIF without a colour map";
    return result;
  }

  // An index the map does not reach has no colour of its own. It is shown as white, like a
  // transparent pixel, rather than refusing the whole picture: files with a map shorter than
  // their code size exist, and one stray index should not cost the user the picture.
  std::array<QRgb, 256> colors;
  colors.fill(kWhite);
  const int mapSize = std::min(map->ColorCount, 256);
  for (int i = 0; i < mapSize; ++i) {
    const GifColorType& c = map->Colors[i];
    colors[static_cast<std::size_t>(i)] = qRgb(c.Red, c.Green, c.Blue);
  }
  // Transparent pixels are shown on white.
  if (transparent >= 0 && transparent < 256) colors[static_cast<std::size_t>(transparent)] = kWhite;

  // White rather than the background colour index: most viewers ignore that index, and white is
  // what transparent pixels are shown on anyway.
  QImage canvas = NewDecodeImage(gif->SWidth, gif->SHeight);
  if (canvas.isNull()) {
    result.Error =
        QString("no memory for a GIF of %1 × %2 pixels").arg(gif->SWidth).arg(gif->SHeight);
    return result;
  }
  canvas.fill(kWhite);

  // The image may lie partly or wholly outside the screen: only the overlap is drawn.
  const int left = desc.Left;
  const int top = desc.Top;
  const int visibleColumns = std::clamp(canvas.width() - left, 0, desc.Width);
  std::vector<GifPixelType> line(static_cast<std::size_t>(desc.Width));
  bool strayIndex = false;
  int rowsRead = 0;
  for (const int y : RowOrder(desc.Height, desc.Interlace)) {
    // A damaged or truncated file keeps the rows decoded before the damage, the rest stays
    // white, and the user is warned: a partly received picture is still recognisable. Only a
    // file that yields no complete row at all is refused, since an empty canvas is no picture.
    // A row that failed half way is left white too, as giflib cannot say how much of it is good.
    if (DGifGetLine(gif.get(), line.data(), desc.Width) == GIF_ERROR) {
      if (rowsRead == 0) {
        result.Error = GifError(gif->Error);
        return result;
      }
      result.Warnings << QString("%1; %2 of %3 rows read")
                             .arg(GifError(gif->Error))
                             .arg(rowsRead)
                             .arg(desc.Height);
      break;
    }
    ++rowsRead;
    const int canvasY = top + y;
    if (canvasY >= canvas.height() || visibleColumns == 0) continue;
    auto* target = reinterpret_cast<QRgb*>(canvas.scanLine(canvasY)) + left;
    for (int x = 0; x < visibleColumns; ++x) {
      const GifPixelType index = line[static_cast<std::size_t>(x)];
      strayIndex |= index >= mapSize;
      target[x] = colors[index];
    }
  }
  if (strayIndex) result.Warnings << "GIF: colour index beyond the colour map, shown as white";
  result.Image = std::move(canvas);
  return result;
}

// --- Writing -----------------------------------------------------------------------------------

namespace {

struct TOutput {
  QByteArray Bytes;
  bool Failed = false;
};

int WriteToBuffer(GifFileType* gif, const GifByteType* data, int count) {
  auto* output = static_cast<TOutput*>(gif->UserData);
  if (output->Failed || count < 0) return 0;
  // No exception may cross giflib's C frames; a failed append fails the write instead.
  try {
    output->Bytes.append(reinterpret_cast<const char*>(data), count);
  } catch (const std::bad_alloc&) {
    output->Failed = true;
    return 0;
  }
  return count;
}

struct TEncoderClose {
  void operator()(GifFileType* gif) const {
    int ignored = 0;
    EGifCloseFile(gif, &ignored);
  }
};

struct TMapFree {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// The picture as colour indices with their palette.
struct TIndexed {
  std::vector<QRgb> Palette;
  std::vector<GifPixelType> Pixels;  // row by row, width × height
};

// The image's own colours when it has at most 256 of them, so the file is exact; the level
// pictures have four.
std::optional<TIndexed> ExactPalette(const QImage& flat) {
  TIndexed indexed;
  indexed.Pixels.reserve(static_cast<std::size_t>(flat.width()) * flat.height());
  // Colours are numbered in the order they first appear, so a picture always gives the same file.
  std::unordered_map<QRgb, GifPixelType> numbers;
  QRgb last = 0;
  GifPixelType lastNumber = 0;
  for (int y = 0; y < flat.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(flat.constScanLine(y));
    for (int x = 0; x < flat.width(); ++x) {
      const QRgb color = row[x] | 0xFF000000;
      // Neighbours mostly share a colour; the look-up is skipped for them.
      if (color != last || indexed.Palette.empty()) {
        const auto [it, added] =
            numbers.try_emplace(color, static_cast<GifPixelType>(indexed.Palette.size()));
        if (added) {
          if (indexed.Palette.size() == 256) return std::nullopt;
          indexed.Palette.push_back(color);
        }
        last = color;
        lastNumber = it->second;
      }
      indexed.Pixels.push_back(lastNumber);
    }
  }
  return indexed;
}

// More than 256 colours (a photograph) must be reduced. Qt's conversion to 8 bits is simple and
// deterministic: a fixed 6 × 6 × 6 colour cube with error diffusion.
TIndexed QuantisedPalette(const QImage& flat) {
  const QImage eight = flat.convertToFormat(QImage::Format_Indexed8);
  TIndexed indexed;
  for (const QRgb color : eight.colorTable()) indexed.Palette.push_back(color | 0xFF000000);
  indexed.Pixels.resize(static_cast<std::size_t>(eight.width()) * eight.height());
  for (int y = 0; y < eight.height(); ++y) {
    std::memcpy(indexed.Pixels.data() + static_cast<std::size_t>(y) * eight.width(),
                eight.constScanLine(y), static_cast<std::size_t>(eight.width()));
  }
  return indexed;
}

void SetError(QString* error, const QString& text) {
  if (error) *error = text;
}

}  // namespace

std::optional<QByteArray> EncodeGif(const QImage& image, QString* error) {
  if (image.isNull()) {
    SetError(error, "no picture");
    return std::nullopt;
  }
  // The file's sizes are 16-bit numbers.
  if (image.width() > 65535 || image.height() > 65535) {
    SetError(error,
             QString("GIF cannot hold %1 × %2 pixels").arg(image.width()).arg(image.height()));
    return std::nullopt;
  }
  const QImage flat = FlattenOnWhite(image);
  std::optional<TIndexed> indexed = ExactPalette(flat);
  if (!indexed) indexed = QuantisedPalette(flat);
  if (indexed->Palette.empty() || indexed->Palette.size() > 256) {
    SetError(error, "GIF: no palette for the picture");
    return std::nullopt;
  }

  // A GIF colour map has a power of two entries, at least two; the unused ones stay black.
  const int bits = GifBitSize(static_cast<int>(indexed->Palette.size()));
  std::vector<GifColorType> colors(std::size_t{1} << bits, GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < indexed->Palette.size(); ++i) {
    const QRgb c = indexed->Palette[i];
    colors[i] = GifColorType{static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                             static_cast<GifByteType>(qBlue(c))};
  }
  const std::unique_ptr<ColorMapObject, TMapFree> map(
      GifMakeMapObject(static_cast<int>(colors.size()), colors.data()));
  if (!map) {
    SetError(error, GifError(E_GIF_ERR_NOT_ENOUGH_MEM));
    return std::nullopt;
  }

  TOutput output;
  int openError = 0;
  std::unique_ptr<GifFileType, TEncoderClose> gif(EGifOpen(&output, WriteToBuffer, &openError));
  if (!gif) {
    SetError(error, GifError(openError));
    return std::nullopt;
  }
  EGifSetGifVersion(gif.get(), true);
  const int width = flat.width();
  const int height = flat.height();
  bool written = EGifPutScreenDesc(gif.get(), width, height, 8, 0, map.get()) == GIF_OK &&
                 EGifPutImageDesc(gif.get(), 0, 0, width, height, false, nullptr) == GIF_OK;
  for (int y = 0; written && y < height; ++y) {
    written = EGifPutLine(gif.get(), indexed->Pixels.data() + static_cast<std::size_t>(y) * width,
                          width) == GIF_OK;
  }
  if (!written) {
    SetError(error, output.Failed ? GifError(E_GIF_ERR_NOT_ENOUGH_MEM) : GifError(gif->Error));
    return std::nullopt;
  }
  // Closing writes the trailer; the handle is gone whatever it says.
  int closeError = 0;
  if (EGifCloseFile(gif.release(), &closeError) == GIF_ERROR || output.Failed) {
    SetError(error, output.Failed ? GifError(E_GIF_ERR_NOT_ENOUGH_MEM) : GifError(closeError));
    return std::nullopt;
  }
  return output.Bytes;
}
