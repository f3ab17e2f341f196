// The link trace: every request frame, every reply and every status text of the transport, handed
// to a hook that the application installs. The link library knows no logging framework: it hands
// over the bytes as they are, and the hook decides whether to print them and how. With no hook
// installed a trace point costs one atomic load; with a hook that does not want a channel, one
// call of its Wanted function, and nothing is copied or formatted.
//
// Frames are sent from the main thread, status texts come from the watcher and the transfer
// worker too: the hook is called from any of these threads, concurrently, and must cope.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <utility>

enum class TTraceChannel : std::uint8_t { Frames, Status };
enum class TTraceDirection : std::uint8_t { Request, Reply };

struct TFrameTrace {
  TTraceDirection Direction = TTraceDirection::Request;
  std::uint8_t AnswerMode = 0;
  // The frame as it went out, or the reply as it was collected; valid during the call only.
  std::span<const std::uint8_t> Bytes;
  // Replies: how many receive calls brought them in.
  int Receives = 0;
  // Milliseconds since the link's connection was made (since the component was made, for one
  // that never connected).
  std::int64_t ElapsedMs = 0;
};

struct TLinkTraceHook {
  // Asked before anything is built for a channel; an empty function wants everything.
  std::function<bool(TTraceChannel)> Wanted;
  std::function<void(const TFrameTrace&)> Frame;
  std::function<void(std::string_view status)> Status;
};

// Installs `hook` for the whole process (an empty hook turns the trace off); returns the one that
// was installed before. Calls already under way finish with the hook they started with.
TLinkTraceHook SetLinkTraceHook(TLinkTraceHook hook);

// Installs a hook while it lives and puts the previous one back at the end.
class TScopedLinkTrace {
 public:
  explicit TScopedLinkTrace(TLinkTraceHook hook) : previous_(SetLinkTraceHook(std::move(hook))) {}
  ~TScopedLinkTrace() { SetLinkTraceHook(std::move(previous_)); }
  TScopedLinkTrace(const TScopedLinkTrace&) = delete;
  TScopedLinkTrace& operator=(const TScopedLinkTrace&) = delete;

 private:
  TLinkTraceHook previous_;
};

// The trace points of the link library.
bool LinkTraceWanted(TTraceChannel channel);
void TraceLinkFrame(const TFrameTrace& frame);
void TraceLinkStatus(std::string_view status);
