// The link trace in Qt's logging: request frames and replies go to the category orvanel.irda,
// the transport's status texts to orvanel.irda.status. Both are off unless the logging rules
// turn them on (QT_LOGGING_RULES="orvanel.irda*=true"); while a category is off the link library
// is told so up front and builds nothing for it.
#pragma once

#include <QLoggingCategory>
#include <QString>

#include "irda/LinkTrace.h"

Q_DECLARE_LOGGING_CATEGORY(lcIrda)
Q_DECLARE_LOGGING_CATEGORY(lcIrdaStatus)

// The hook that routes the link trace into the two categories.
TLinkTraceHook LinkTraceLoggingHook();

// One frame as a line of the trace, e.g.
// "-> request, answer mode 1, 1 byte, 12 ms after connect: 10".
QString FormatLinkFrame(const TFrameTrace& frame);
