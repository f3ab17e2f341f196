// The link trace in Qt's logging: a picture read shows its frames in orvanel.irda and the
// transport's texts in orvanel.irda.status exactly when the logging rules turn them on.
#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "support/SimulatorOnBus.h"
#include "transfer/ReadActions.h"
#include "watcher/LinkTraceLogging.h"

namespace {

struct Logged {
  QString category;
  QString text;
};

std::vector<Logged>& Messages() {
  static std::vector<Logged> messages;
  return messages;
}

void Capture(QtMsgType, const QMessageLogContext& context, const QString& text) {
  Messages().push_back({QString::fromLatin1(context.category), text});
}

class LinkTraceLoggingTest : public testsupport::SimulatorOnBusTest {
 protected:
  ~LinkTraceLoggingTest() override { QLoggingCategory::setFilterRules(QString()); }

  QStringList In(const char* category) const {
    QStringList lines;
    for (const Logged& m : Messages()) {
      if (m.category == QLatin1String(category)) lines << m.text;
    }
    return lines;
  }
};

TEST(LinkTraceFormat, ALineSaysDirectionModeSizeAndTimeBeforeTheBytes) {
  const std::uint8_t request[] = {0xFF, 0xC2, 0xFF, 0x04, 0x01};
  const std::uint8_t reply[] = {0x11};
  EXPECT_EQ(FormatLinkFrame({TTraceDirection::Request, 2, request, 0, 264}),
            "-> request, answer mode 2, 5 bytes, 264 ms after connect: FF C2 FF 04 01");
  EXPECT_EQ(FormatLinkFrame({TTraceDirection::Reply, 1, reply, 1, 33}),
            "<- reply, answer mode 1, 1 byte in 1 receive, 33 ms after connect: 11");
}

TEST_F(LinkTraceLoggingTest, APictureReadShowsItsFramesWhereTheRulesSay) {
  devsim::SimulatorConfig config;
  config.stateDirectory = bus.Dir() + "/state";  // not a device name, so not on the bus
  StartSimulator(config, [](devsim::AreaContent&) {});
  const int pictures = static_cast<int>(simulator->Files(devsim::kPictureArea).size());
  struct Case {
    const char* rules;
    bool frames;
    bool status;
  };
  for (const Case& c :
       {Case{"", false, false}, Case{"orvanel.irda=true", true, false},
        Case{"orvanel.irda.status=true", false, true}, Case{"orvanel.irda*=true", true, true}}) {
    SCOPED_TRACE(c.rules);
    QLoggingCategory::setFilterRules(QString::fromLatin1(c.rules));
    Messages().clear();
    const TScopedLinkTrace trace(LinkTraceLoggingHook());
    // Off means the link library is told so before it builds a frame: nothing is formatted.
    EXPECT_EQ(LinkTraceWanted(TTraceChannel::Frames), c.frames);
    EXPECT_EQ(LinkTraceWanted(TTraceChannel::Status), c.status);

    const QtMessageHandler previous = qInstallMessageHandler(Capture);
    host.SetPictureCatalogue(pictures);
    OpenLink(TAction::ReadAllPictures);
    RunReadActions(*link, info, host);
    link->CloseClient();
    qInstallMessageHandler(previous);
    ASSERT_TRUE(link->LinkOk) << link->Status;

    QStringList expected;
    if (c.frames) {
      expected << "-> request, answer mode 1, 1 byte"
               << "<- reply, answer mode 1, 1 byte"
               << "-> request, answer mode 1, 3 bytes"
               << "<- reply, answer mode 1, 4 bytes";
      for (int p = 1; p <= pictures; ++p) {
        expected << "-> request, answer mode 2, 5 bytes"
                 << "<- reply, answer mode 2, 2592 bytes in 9 receives";
      }
    }
    const QStringList frames = In("orvanel.irda");
    ASSERT_EQ(frames.size(), expected.size());
    for (int i = 0; i < frames.size(); ++i) {
      EXPECT_TRUE(frames[i].startsWith(expected[i])) << frames[i].toStdString();
    }
    if (c.frames) {
      // The picture requests name the pictures in order, the first and the last among them.
      EXPECT_TRUE(frames[4].endsWith(": FF C2 FF 04 01")) << frames[4].toStdString();
      const QString last = QStringLiteral(": FF C2 FF 04 %1").arg(pictures, 2, 16, QChar('0'));
      EXPECT_TRUE(frames[frames.size() - 2].endsWith(last)) << frames.last().toStdString();
    }
    const QStringList statuses = In("orvanel.irda.status");
    EXPECT_EQ(statuses.contains("Connect OK"), c.status);
    EXPECT_EQ(statuses.contains("Shutdown: 0 / Close Client: 0"), c.status);
    EXPECT_EQ(statuses.count("Send OK"), c.status ? 2 + pictures : 0);
  }
}

}  // namespace
