#include "DemoContent.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>

#include "platform/IrdaBus.h"

namespace devsim {
namespace {

constexpr int kBlack = 0;
constexpr int kDark = 1;
constexpr int kLight = 2;
constexpr int kLightest = 3;

void Bubbles(GreyCanvas& canvas, const std::vector<std::pair<double, double>>& centres) {
  double radius = 3.2;
  for (const auto& [x, y] : centres) {
    canvas.Ring(x, y, radius, radius - 1.1, kDark);
    radius = std::max(1.8, radius - 0.6);
  }
}

void Seabed(GreyCanvas& canvas, double base, double swell, int level) {
  std::vector<std::pair<double, double>> outline{{-1, 81}};
  for (int x = -1; x <= 129; x += 4) outline.emplace_back(x, base + swell * std::sin(x / 11.0));
  outline.emplace_back(129, 81);
  canvas.FillPolygon(outline, level);
}

// The 15 texts of a language's string table, in the order the firmware looks them up.
const std::map<std::string, std::vector<std::string>>& LanguageTables() {
  static const std::map<std::string, std::vector<std::string>> tables = {
      {"Italiano",
       {"Profondità", "Prof. massima", "Tempo immersione", "Temperatura", "Risalita veloce",
        "Sosta deco", "Sosta sicurezza", "Limite non deco", "Intervallo sup.", "Logbook",
        "Impostazioni", "Batteria scarica", "Unità", "Data", "Ora"}},
      {"English",
       {"Depth", "Max depth", "Dive time", "Temperature", "Ascent too fast", "Deco stop",
        "Safety stop", "No-deco limit", "Surface interval", "Logbook", "Settings", "Battery low",
        "Units", "Date", "Time"}},
      {"Deutsch",
       {"Tiefe", "Max. Tiefe", "Tauchzeit", "Temperatur", "Aufstieg zu schnell", "Dekostopp",
        "Sicherheitsstopp", "Nullzeit", "Oberflächenpause", "Logbuch", "Einstellungen",
        "Batterie schwach", "Einheiten", "Datum", "Uhrzeit"}},
      {"Español",
       {"Profundidad", "Prof. máxima", "Tiempo de inmersión", "Temperatura", "Ascenso rápido",
        "Parada deco", "Parada de seguridad", "Límite sin deco", "Intervalo en superficie",
        "Diario", "Ajustes", "Batería baja", "Unidades", "Fecha", "Hora"}},
      {"Français",
       {"Profondeur", "Prof. max", "Durée de plongée", "Température", "Remontée rapide",
        "Palier déco", "Palier de sécurité", "Limite sans palier", "Intervalle surface", "Carnet",
        "Réglages", "Batterie faible", "Unités", "Date", "Heure"}},
      {"Polski",
       {"Głębokość", "Maks. głębokość", "Czas nurkowania", "Temperatura", "Za szybkie wynurzanie",
        "Przystanek deko", "Przystanek bezp.", "Limit bezdeko", "Przerwa na powierzchni", "Logbook",
        "Ustawienia", "Słaba bateria", "Jednostki", "Data", "Godzina"}},
      {"Русский",
       {"Глубина", "Макс. глубина", "Время погружения", "Температура", "Быстрый подъём",
        "Деко-остановка", "Остановка безопасности", "Бездеко лимит", "Поверхностный интервал",
        "Журнал", "Настройки", "Батарея разряжена", "Единицы", "Дата", "Время"}},
      {"日本語",
       {"水深", "最大水深", "潜水時間", "水温", "浮上速度超過", "減圧停止", "安全停止",
        "無減圧限界", "水面休息時間", "ログブック", "設定", "電池残量低下", "単位", "日付",
        "時刻"}},
      {"Nederlands",
       {"Diepte", "Max. diepte", "Duiktijd", "Temperatuur", "Te snel opstijgen", "Decostop",
        "Veiligheidsstop", "Nultijd", "Oppervlakte-interval", "Logboek", "Instellingen",
        "Batterij bijna leeg", "Eenheden", "Datum", "Tijd"}},
      {"Português",
       {"Profundidade", "Prof. máxima", "Tempo de mergulho", "Temperatura", "Subida rápida",
        "Parada deco", "Parada de segurança", "Limite sem deco", "Intervalo de superfície",
        "Diário", "Configurações", "Bateria fraca", "Unidades", "Data", "Hora"}},
  };
  return tables;
}

// Firmware content is opaque to everyone but the device; a repeatable pseudo-random stream
// stands in for the encrypted image.
Bytes FirmwareContent(std::size_t size, std::uint32_t seed) {
  Bytes content(size);
  std::uint32_t state = seed * 2654435761u + 12345u;
  for (auto& byte : content) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return content;
}

bool WriteFile(const std::filesystem::path& path, const Bytes& data, std::string& error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  out.close();
  if (!out) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

}  // namespace

Bytes DrawDiver() {
  GreyCanvas c(kLightest);
  for (int x = 0; x < kPictureWidth; ++x)
    c.Set(x, 5 + static_cast<int>(std::lround(1.5 * std::sin(x / 6.0))), kLight);
  Seabed(c, 70, 3, kLight);
  Seabed(c, 75, 2, kDark);
  // Legs and fins trail behind the body.
  c.Line(44, 39, 22, 34, 5, kBlack);
  c.Line(44, 43, 22, 48, 5, kBlack);
  c.FillPolygon({{24, 31}, {5, 24}, {8, 36}, {24, 37}}, kBlack);
  c.FillPolygon({{24, 45}, {8, 47}, {5, 58}, {24, 51}}, kBlack);
  c.FillEllipse(63, 41, 23, 7.5, kBlack);
  // Tank on the back, regulator hose to the mouth.
  c.FillEllipse(53, 30, 4, 3.5, kDark);
  c.FillEllipse(74, 30, 4, 3.5, kDark);
  c.FillRect(53, 27, 74, 33, kDark);
  c.FillRect(77, 28, 80, 30, kBlack);
  c.Line(80, 29, 90, 37, 1.2, kDark);
  c.FillEllipse(91, 37, 6.5, 6, kBlack);
  c.FillEllipse(95, 35, 3, 2.2, kLight);
  c.Line(78, 43, 97, 49, 3, kBlack);
  c.FillEllipse(98.5, 49.5, 2.2, 2.2, kBlack);
  Bubbles(c, {{100, 27}, {104, 19}, {101, 12}, {105, 6}});
  return c.Encode();
}

Bytes DrawCompass() {
  GreyCanvas c(kLightest);
  // Wrist strap behind the housing.
  c.FillRect(0, 32, 127, 48, kDark);
  for (int x = 4; x < 28; x += 6) c.FillRect(x, 39, x + 2, 41, kLight);
  for (int x = 102; x < 126; x += 6) c.FillRect(x, 39, x + 2, 41, kLight);
  c.FillEllipse(64, 40, 38, 38, kBlack);
  c.FillEllipse(64, 40, 33, 33, kLight);
  c.FillEllipse(64, 40, 29, 29, kLightest);
  for (int i = 1; i < 36; ++i) {
    const double angle = i * std::numbers::pi / 18;
    const double inner = i % 9 == 0 ? 22 : (i % 3 == 0 ? 25 : 27);
    c.Line(64 + inner * std::sin(angle), 40 - inner * std::cos(angle), 64 + 29 * std::sin(angle),
           40 - 29 * std::cos(angle), i % 9 == 0 ? 2 : 1, kBlack);
  }
  // North is marked by its letter instead of a tick.
  c.Line(60.5, 12, 60.5, 19, 1.2, kBlack);
  c.Line(60.5, 12, 67.5, 19, 1.2, kBlack);
  c.Line(67.5, 12, 67.5, 19, 1.2, kBlack);
  // Needle: the dark half points north.
  c.FillPolygon({{64, 22}, {69.5, 40}, {58.5, 40}}, kBlack);
  c.FillPolygon({{64, 60}, {69.5, 40}, {58.5, 40}}, kDark);
  c.FillEllipse(64, 40, 3, 3, kLightest);
  c.FillEllipse(64, 40, 1.5, 1.5, kBlack);
  return c.Encode();
}

Bytes DrawReef() {
  GreyCanvas c(kLightest);
  for (int y = 0; y < 12; y += 3) {
    for (int x = (y * 7) % 5; x < kPictureWidth; x += 5) c.Set(x, y, kLight);
  }
  Seabed(c, 64, 3, kLight);
  c.FillPolygon({{0, 80}, {0, 58}, {10, 52}, {22, 56}, {30, 66}, {26, 80}}, kDark);
  // Staghorn coral: a trunk forking twice on each side.
  c.Line(30, 72, 30, 46, 3.5, kBlack);
  c.Line(30, 58, 18, 44, 3, kBlack);
  c.Line(18, 44, 14, 30, 2.5, kBlack);
  c.Line(18, 44, 24, 33, 2, kBlack);
  c.Line(30, 52, 42, 38, 3, kBlack);
  c.Line(42, 38, 40, 26, 2.5, kBlack);
  c.Line(42, 38, 50, 30, 2, kBlack);
  c.Line(30, 46, 32, 24, 2.5, kBlack);
  // Brain coral with its winding grooves.
  c.FillEllipse(72, 66, 17, 11, kDark);
  for (int row = 0; row < 4; ++row) {
    const double y0 = 59 + row * 4.5;
    for (double x = 58; x < 86; x += 0.5) {
      const double y = y0 + 1.2 * std::sin(x / 2.0 + row);
      const double dx = (x - 72) / 16;
      const double dy = (y - 66) / 10;
      if (dx * dx + dy * dy < 0.85) c.Set(static_cast<int>(x), static_cast<int>(y), kBlack);
    }
  }
  // Sea fan: ribs spread from one foot, cross-laced.
  for (int i = -4; i <= 4; ++i) {
    const double angle = i * 0.17;
    c.Line(104, 74, 104 + 30 * std::sin(angle), 74 - 30 * std::cos(angle), 1, kBlack);
  }
  for (double r = 12; r <= 28; r += 5) {
    for (double a = -0.7; a <= 0.7; a += 0.02) {
      c.Set(static_cast<int>(104 + r * std::sin(a)), static_cast<int>(74 - r * std::cos(a)),
            kBlack);
    }
  }
  // Two small fish passing by.
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{{60, 24}, {80, 14}}) {
    c.FillEllipse(x, y, 6, 3, kBlack);
    c.FillPolygon({{x + 5, y}, {x + 10, y - 3.5}, {x + 10, y + 3.5}}, kBlack);
    c.Set(static_cast<int>(x) - 3, static_cast<int>(y) - 1, kLightest);
  }
  Bubbles(c, {{33, 18}, {36, 10}, {34, 4}});
  return c.Encode();
}

Bytes DrawFish() {
  GreyCanvas c(kLightest);
  Seabed(c, 76, 2, kLight);
  c.FillPolygon({{86, 40}, {122, 16}, {113, 40}, {122, 64}}, kBlack);
  c.FillPolygon({{42, 24}, {60, 7}, {80, 25}}, kBlack);
  c.FillPolygon({{52, 56}, {60, 70}, {70, 56}}, kBlack);
  const double cx = 58, cy = 40, rx = 34, ry = 19;
  c.FillEllipse(cx, cy, rx, ry, kDark);
  // Stripes, clipped to the body.
  for (int y = 0; y < kPictureHeight; ++y) {
    for (int x = 0; x < kPictureWidth; ++x) {
      const double dx = (x + 0.5 - cx) / rx;
      const double dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy > 1) continue;
      const int band = (x + 200) % 16;
      if (x > 48 && band < 4) c.Set(x, y, kLight);
    }
  }
  c.Line(44, 27, 47, 40, 1, kBlack);
  c.Line(47, 40, 44, 53, 1, kBlack);
  c.FillEllipse(35, 35, 5.5, 5.5, kLightest);
  c.FillEllipse(36, 35, 2.6, 2.6, kBlack);
  c.Line(25, 45, 32, 46, 1.2, kBlack);
  Bubbles(c, {{17, 26}, {12, 16}, {17, 7}});
  return c.Encode();
}

Bytes DrawDiveFlag() {
  GreyCanvas c(kLightest);
  // Sea with a swell, the flag on a buoy's pole above it.
  Seabed(c, 62, 2.5, kLight);
  for (int x = 0; x < kPictureWidth; x += 2) {
    c.Set(x, 68 + static_cast<int>(std::lround(1.5 * std::sin(x / 5.0))), kDark);
    c.Set(x + 1, 74 + static_cast<int>(std::lround(1.5 * std::sin(x / 5.0 + 2))), kDark);
  }
  c.FillEllipse(22, 64, 10, 5, kBlack);
  c.FillRect(20, 6, 23, 62, kBlack);
  c.FillEllipse(21.5, 5, 3, 3, kBlack);
  // The field waves a little; the stripe runs from the top of the hoist to the bottom of the fly.
  std::vector<std::pair<double, double>> field;
  for (int x = 24; x <= 104; x += 4) field.emplace_back(x, 10 + 2 * std::sin((x - 24) / 13.0));
  for (int x = 104; x >= 24; x -= 4) field.emplace_back(x, 52 + 2 * std::sin((x - 24) / 13.0));
  c.FillPolygon(field, kBlack);
  std::vector<std::pair<double, double>> inner;
  for (int x = 26; x <= 102; x += 4) inner.emplace_back(x, 12 + 2 * std::sin((x - 24) / 13.0));
  for (int x = 102; x >= 26; x -= 4) inner.emplace_back(x, 50 + 2 * std::sin((x - 24) / 13.0));
  c.FillPolygon(inner, kDark);
  c.FillPolygon({{26, 12}, {38, 12}, {102, 44}, {102, 52}, {90, 52}, {26, 20}}, kLightest);
  return c.Encode();
}

Bytes MakePictureFile(const std::string& name, std::uint8_t addedMark, const Bytes& pixelData) {
  FileHeader header;
  header.AddedMark = addedMark;
  header.TypeCode = kPictureArea;
  header.AuxByte = 0xFF;
  header.AuxWord = 0xFF00;
  header.Version = 0x0100;
  header.Name = name;
  return MakeFile(header, pixelData);
}

std::vector<std::string> LanguageNames() {
  // Factory languages first, in the order the device lists them.
  std::vector<std::string> names{"Italiano", "English", "Deutsch"};
  for (const auto& [name, texts] : LanguageTables()) {
    if (name != "Italiano" && name != "English" && name != "Deutsch") names.push_back(name);
  }
  return names;
}

Bytes MakeLanguageFile(const std::string& language, std::uint8_t addedMark, std::size_t totalSize) {
  const auto found = LanguageTables().find(language);
  const std::vector<std::string>& texts =
      found != LanguageTables().end() ? found->second : LanguageTables().at("English");
  // String table: count, one offset per text (from the start of the content), NUL-ended texts.
  Bytes content;
  platform::AppendLE(content, static_cast<std::uint32_t>(texts.size()), 2);
  std::size_t offset = 2 + 2 * texts.size();
  for (const auto& text : texts) {
    platform::AppendLE(content, static_cast<std::uint32_t>(offset), 2);
    offset += text.size() + 1;
  }
  for (const auto& text : texts) {
    content.insert(content.end(), text.begin(), text.end());
    content.push_back(0);
  }
  if (totalSize > kHeaderSize + content.size()) content.resize(totalSize - kHeaderSize, 0xFF);
  FileHeader header;
  header.AddedMark = addedMark;
  header.TypeCode = kLanguageArea;
  header.AuxByte = 0x01;
  header.Version = 0x0102;
  header.Name = language.substr(0, kNameSize);
  header.Checksum = ByteSum(content);
  return MakeFile(header, content);
}

Bytes MakeFirmwareFile(std::uint8_t major, std::uint8_t minor, const std::string& description,
                       const std::vector<std::size_t>& contentSizes) {
  Bytes firmware;
  for (std::size_t part = 0; part < contentSizes.size(); ++part) {
    const Bytes content = FirmwareContent(
        contentSizes[part], static_cast<std::uint32_t>(major * 256 + minor + part * 7919));
    FileHeader header;
    header.AddedMark = part == 0 ? static_cast<std::uint8_t>(contentSizes.size() - 1) : 0;
    header.TypeCode = kFirmwareArea;
    header.AuxByte = static_cast<std::uint8_t>(part);
    header.Version = static_cast<std::uint16_t>(major << 8 | minor);
    header.Name = description.substr(0, kNameSize);
    header.Checksum = ByteSum(content);
    const Bytes file = MakeFile(header, content);
    firmware.insert(firmware.end(), file.begin(), file.end());
  }
  return firmware;
}

std::vector<Bytes> SplitFirmwareParts(const Bytes& firmware) {
  std::vector<Bytes> parts;
  std::size_t offset = 0;
  while (offset + kHeaderSize <= firmware.size()) {
    const std::uint32_t size = platform::ReadLE(firmware.data(), firmware.size(), offset, 4);
    if (size < kHeaderSize || size > firmware.size() - offset) break;
    parts.emplace_back(firmware.begin() + static_cast<std::ptrdiff_t>(offset),
                       firmware.begin() + static_cast<std::ptrdiff_t>(offset + size));
    offset += size;
  }
  return parts;
}

std::vector<Bytes> DemoPictures() {
  return {MakePictureFile("Diver", kFactoryMark, DrawDiver()),
          MakePictureFile("Compass", kFactoryMark, DrawCompass()),
          MakePictureFile("Reef", kFactoryMark, DrawReef()),
          MakePictureFile("Fish", kAddedMark, DrawFish()),
          MakePictureFile("Dive flag", kAddedMark, DrawDiveFlag())};
}

std::vector<Bytes> DemoLanguages() {
  return {MakeLanguageFile("Italiano", kFactoryMark, 2400),
          MakeLanguageFile("English", kFactoryMark, 2400),
          MakeLanguageFile("Deutsch", kFactoryMark, 2400),
          MakeLanguageFile("Español", kAddedMark, 2600)};
}

std::vector<Bytes> DemoFirmware(std::uint8_t major, std::uint8_t minor) {
  return SplitFirmwareParts(MakeFirmwareFile(
      major, minor, "Orvanel FW " + std::to_string(major) + "." + std::to_string(minor), {4096}));
}

bool WriteSamples(const std::string& directory, std::string& error) {
  namespace fs = std::filesystem;
  if (!platform::EnsureDirectory(directory)) {
    error = "cannot create " + directory;
    return false;
  }
  const fs::path dir(directory);
  const std::vector<std::pair<std::string, Bytes>> files = {
      {"polski.bin", MakeLanguageFile("Polski", kFactoryMark, 3242)},
      {"russkij.bin", MakeLanguageFile("Русский", kFactoryMark, 2750)},
      {"nihongo.bin", MakeLanguageFile("日本語", kFactoryMark, 1984)},
      {"francais.bin", MakeLanguageFile("Français", kFactoryMark, 3500)},
      {"nederlands.bin", MakeLanguageFile("Nederlands", kFactoryMark, 2600)},
      {"portugues.bin", MakeLanguageFile("Português", kFactoryMark, 0)},
      {"fw-5.2-single.enc", MakeFirmwareFile(5, 2, "FW 5.2 release", {6000})},
      {"fw-6.0-three-parts.enc", MakeFirmwareFile(6, 0, "FW 6.0 3 parts", {5000, 3500, 2222})},
      {"fw-5.1-same.enc", MakeFirmwareFile(5, 1, "FW 5.1 reissue", {4000})},
      {"fw-4.9-old.enc", MakeFirmwareFile(4, 9, "FW 4.9 legacy", {3000})},
  };
  for (const auto& [name, data] : files) {
    if (!WriteFile(dir / name, data, error)) return false;
  }
  return true;
}

}  // namespace devsim
