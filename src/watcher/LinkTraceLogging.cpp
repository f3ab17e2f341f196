#include "watcher/LinkTraceLogging.h"

#include <QByteArray>

Q_LOGGING_CATEGORY(lcIrda, "orvanel.irda", QtWarningMsg)
Q_LOGGING_CATEGORY(lcIrdaStatus, "orvanel.irda.status", QtWarningMsg)

namespace {

QString Count(qsizetype n, const char* one, const char* many) {
  return QString::number(n) + ' ' + QLatin1String(n == 1 ? one : many);
}

}  // namespace

QString FormatLinkFrame(const TFrameTrace& frame) {
  const bool request = frame.Direction == TTraceDirection::Request;
  const QByteArray hex = QByteArray::fromRawData(reinterpret_cast<const char*>(frame.Bytes.data()),
                                                 static_cast<qsizetype>(frame.Bytes.size()))
                             .toHex(' ')
                             .toUpper();
  QString line = request ? QStringLiteral("-> request") : QStringLiteral("<- reply");
  line += QStringLiteral(", answer mode %1, ").arg(frame.AnswerMode);
  line += Count(static_cast<qsizetype>(frame.Bytes.size()), "byte", "bytes");
  if (!request) line += QStringLiteral(" in ") + Count(frame.Receives, "receive", "receives");
  line += QStringLiteral(", %1 ms after connect: ").arg(frame.ElapsedMs);
  line += QString::fromLatin1(hex);
  return line;
}

TLinkTraceHook LinkTraceLoggingHook() {
  TLinkTraceHook hook;
  hook.Wanted = [](TTraceChannel channel) {
    return channel == TTraceChannel::Frames ? lcIrda().isDebugEnabled()
                                            : lcIrdaStatus().isDebugEnabled();
  };
  hook.Frame = [](const TFrameTrace& frame) {
    qCDebug(lcIrda).noquote() << FormatLinkFrame(frame);
  };
  hook.Status = [](std::string_view status) {
    qCDebug(lcIrdaStatus).noquote()
        << QString::fromLocal8Bit(status.data(), static_cast<qsizetype>(status.size()));
  };
  return hook;
}
