// orvanel-picture run in-process: the picture and the device file it writes, and how it fails.
#include "PictureCommand.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "picture/GreyLevels.h"
#include "picture/ImageFile.h"
#include "picture/PictureCodec.h"

namespace {

struct TRun {
  int code = 0;
  QString output;
  QString errors;
};

TRun RunCommand(const QStringList& arguments) {
  TRun run;
  QTextStream output(&run.output);
  QTextStream errors(&run.errors);
  run.code = RunPictureCommand(arguments, output, errors);
  output.flush();
  errors.flush();
  return run;
}

class PictureCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    // Left half dark grey (lightness 100), right half light (lightness 170).
    QImage source(300, 200, QImage::Format_RGB32);
    source.fill(qRgb(170, 170, 170));
    for (int y = 0; y < 200; ++y) {
      for (int x = 0; x < 150; ++x) source.setPixel(x, y, qRgb(100, 100, 100));
    }
    ASSERT_TRUE(SaveImageFile(source, Path("in.bmp"), TImageFormat::Bmp));
  }
  QString Path(const QString& name) const { return dir.filePath(name); }

  QTemporaryDir dir;
};

TEST_F(PictureCommandTest, WritesTheConvertedPictureAndTheDeviceFile) {
  const TRun run = RunCommand({Path("in.bmp"), Path("out.bmp"), "--grey=56", "--device",
                               Path("p.bin"), "--name", "diver.bmp"});
  ASSERT_EQ(run.code, 0) << run.errors.toStdString();
  const QImage out = ReadImageFile(Path("out.bmp")).Image;
  ASSERT_EQ(out.size(), QSize(128, 80));
  // 100 lies below 56 + 45: dark grey; 170 above 60 + 100: the lightest level.
  EXPECT_EQ(out.pixel(10, 10), kLevelColors[1]);
  EXPECT_EQ(out.pixel(100, 70), kLevelColors[3]);

  QFile device(Path("p.bin"));
  ASSERT_TRUE(device.open(QIODevice::ReadOnly));
  const QByteArray bytes = device.readAll();
  ASSERT_EQ(bytes.size(), 2592);
  EXPECT_EQ(bytes.left(17), QByteArray("\x20\x0A\x00\x00\x00\xFF\x04\xFF\x00\xFF\x00\x01"
                                       "diver",
                                       17));
  EXPECT_EQ(bytes.mid(17, 15), QByteArray(15, '\0'));
  QImage decoded = MakeWorkingPicture();
  DecodePicture({reinterpret_cast<const std::uint8_t*>(bytes.constData()), 2592}, decoded);
  EXPECT_EQ(decoded, out);
}

TEST_F(PictureCommandTest, EveryFailureExitsWithTwoAndItsMessage) {
  QFile junk(Path("junk.jpg"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a picture");
  junk.close();
  const struct {
    QStringList arguments;
    const char* message;
  } cases[] = {
      {{Path("junk.jpg"), Path("o.bmp")}, "Formato file immagine sconosciuto\n"},
      {{Path("missing.gif"), Path("o.bmp")}, "Formato file immagine sconosciuto\n"},
      {{Path("in.bmp"), Path("o.png")}, nullptr},
      {{Path("in.bmp"), Path("o.bmp"), "--black", "121"}, nullptr},
      {{Path("in.bmp"), Path("o.bmp"), "--white"}, nullptr},
      {{Path("in.bmp"), Path("o.bmp"), "--device", Path("p.bin")}, nullptr},
      {{Path("in.bmp")}, nullptr},
      {{Path("in.bmp"), Path("o.bmp"), "--size", "3"}, nullptr},
      {{Path("in.bmp"), Path("no/folder/o.bmp")}, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    const TRun run = RunCommand(c.arguments);
    EXPECT_EQ(run.code, 2);
    if (c.message) {
      EXPECT_EQ(run.errors, c.message);
    } else {
      EXPECT_TRUE(run.errors.startsWith("orvanel-picture: ")) << run.errors.toStdString();
    }
  }
  EXPECT_FALSE(QFile::exists(Path("o.bmp")));

  const TRun help = RunCommand({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_TRUE(help.output.contains("--device FILE --name NOME"));
}

}  // namespace
