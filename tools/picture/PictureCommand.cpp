#include "PictureCommand.h"

#include <QFileInfo>
#include <QSaveFile>
#include <optional>

#include "devicefiles/DeviceName.h"
#include "picture/GreyLevels.h"
#include "picture/ImageFile.h"
#include "picture/PictureCodec.h"
#include "texts/LangStrings.h"

namespace {

constexpr int kFailure = 2;

QString HelpText() {
  return QStringLiteral(
      "Uso: orvanel-picture INGRESSO USCITA [--black N] [--grey N] [--white N]\n"
      "                     [--device FILE --name NOME]\n"
      "\n"
      "Converte un'immagine BMP, JPEG, TIFF o GIF in un'immagine Orvanel di 128 × 80 pixel nei\n"
      "quattro livelli di grigio, esattamente come l'importazione dell'applicazione: l'immagine\n"
      "riempie tutti i 128 × 80 pixel (senza mantenere le proporzioni) e ogni pixel prende il\n"
      "livello della sua luminosità.\n"
      "\n"
      "  --black N   limite tra nero e grigio scuro, da 0 a 120 (predefinito 60)\n"
      "  --grey N    limite tra grigio scuro e grigio chiaro, da 0 a 120 (predefinito 60)\n"
      "  --white N   limite tra grigio chiaro e bianco, da 0 a 120 (predefinito 60)\n"
      "              Un valore più alto rende l'immagine più scura, come i cursori.\n"
      "  --device FILE --name NOME\n"
      "              scrive anche il file immagine Orvanel di 2592 byte (intestazione e\n"
      "              dati dei pixel) come lo scriverebbe l'applicazione per il nome NOME\n"
      "  --help      mostra questo testo\n"
      "\n"
      "USCITA è scritta nel formato indicato dalla sua estensione: .bmp, .jpg, .tif o .gif.\n"
      "Esce con 0 se tutto è stato scritto; altrimenti con 2, dopo un messaggio su standard\n"
      "error (\"Formato file immagine sconosciuto\" per un'immagine che non si può leggere).\n");
}

struct TOptions {
  QString Input;
  QString Output;
  TGreyBoundaries Boundaries;
  QString DeviceFile;
  std::optional<QString> Name;
  bool Help = false;
};

// Fills `options`; on a mistake returns the message.
std::optional<QString> Parse(const QStringList& arguments, TOptions& options) {
  QStringList positional;
  for (int i = 0; i < arguments.size(); ++i) {
    QString argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      options.Help = true;
      continue;
    }
    if (!argument.startsWith("--") || argument == "--") {
      positional << argument;
      continue;
    }
    QString value;
    if (const qsizetype equals = argument.indexOf('='); equals > 0) {
      value = argument.mid(equals + 1);
      argument.truncate(equals);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return QString("manca il valore di %1").arg(argument);
    }
    int* boundary = argument == "--black"   ? &options.Boundaries.Black
                    : argument == "--grey"  ? &options.Boundaries.Grey
                    : argument == "--white" ? &options.Boundaries.White
                                            : nullptr;
    if (boundary) {
      bool ok = false;
      const int number = value.toInt(&ok);
      if (!ok || number < 0 || number > 120) {
        return QString("%1 vuole un numero da 0 a 120, non \"%2\"").arg(argument, value);
      }
      *boundary = number;
    } else if (argument == "--device") {
      options.DeviceFile = value;
    } else if (argument == "--name") {
      options.Name = value;
    } else {
      return QString("opzione sconosciuta: %1").arg(argument);
    }
  }
  if (options.Help) return std::nullopt;
  if (positional.size() != 2) return QString("servono INGRESSO e USCITA (--help per l'uso)");
  options.Input = positional[0];
  options.Output = positional[1];
  if (options.DeviceFile.isEmpty() != !options.Name) {
    return QString("--device e --name vanno insieme");
  }
  return std::nullopt;
}

bool WriteFile(const QString& path, const QByteArray& bytes, QString& error) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
    return true;
  }
  error = file.errorString();
  return false;
}

}  // namespace

int RunPictureCommand(const QStringList& arguments, QTextStream& output, QTextStream& errors) {
  TOptions options;
  if (const std::optional<QString> mistake = Parse(arguments, options)) {
    errors << "orvanel-picture: " << *mistake << '\n';
    return kFailure;
  }
  if (options.Help) {
    output << HelpText();
    return 0;
  }
  const std::optional<TImageFormat> format = FormatByExtension(options.Output);
  if (!format) {
    errors << "orvanel-picture: l'estensione di " << options.Output
           << " non indica un formato: usare .bmp, .jpg, .tif o .gif\n";
    return kFailure;
  }

  const TImageRead source = ReadImageFile(options.Input);
  if (source.Image.isNull()) {
    errors << LangString(TText::UnknownPictureFormat) << '\n';
    return kFailure;
  }
  QImage working = MakeWorkingPicture();
  RedrawWorkingPicture(source.Image, working, options.Boundaries);

  QString error;
  if (!SaveImageFile(working, options.Output, *format, &error)) {
    errors << "orvanel-picture: " << options.Output << ": " << error << '\n';
    return kFailure;
  }
  if (!options.DeviceFile.isEmpty()) {
    TFileHeader header;
    SetPictureUploadHeader(header, options.Name->toLatin1());
    platform::Bytes file = header.BuildRaw();
    const platform::Bytes pixels = EncodePicture(working);
    file.insert(file.end(), pixels.begin(), pixels.end());
    if (!WriteFile(options.DeviceFile,
                   QByteArray(reinterpret_cast<const char*>(file.data()),
                              static_cast<qsizetype>(file.size())),
                   error)) {
      errors << "orvanel-picture: " << options.DeviceFile << ": " << error << '\n';
      return kFailure;
    }
  }
  return 0;
}
