#include "irda/LinkTrace.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>

namespace {

struct THookSlot {
  std::mutex mutex;
  std::shared_ptr<const TLinkTraceHook> hook;  // guarded by mutex
  std::atomic<bool> installed{false};          // lets the common case skip the lock
};

THookSlot& Slot() {
  static THookSlot slot;
  return slot;
}

// The hook is shared, so a thread that took it can finish its call while another thread swaps it.
std::shared_ptr<const TLinkTraceHook> CurrentHook() {
  THookSlot& slot = Slot();
  if (!slot.installed.load(std::memory_order_acquire)) return nullptr;
  std::lock_guard lock(slot.mutex);
  return slot.hook;
}

bool Wants(const TLinkTraceHook& hook, TTraceChannel channel) {
  const bool handled = channel == TTraceChannel::Frames ? static_cast<bool>(hook.Frame)
                                                        : static_cast<bool>(hook.Status);
  return handled && (!hook.Wanted || hook.Wanted(channel));
}

}  // namespace

TLinkTraceHook SetLinkTraceHook(TLinkTraceHook hook) {
  std::shared_ptr<const TLinkTraceHook> next;
  if (hook.Frame || hook.Status) next = std::make_shared<const TLinkTraceHook>(std::move(hook));
  THookSlot& slot = Slot();
  std::lock_guard lock(slot.mutex);
  TLinkTraceHook previous = slot.hook ? *slot.hook : TLinkTraceHook{};
  slot.hook = std::move(next);
  slot.installed.store(slot.hook != nullptr, std::memory_order_release);
  return previous;
}

bool LinkTraceWanted(TTraceChannel channel) {
  const auto hook = CurrentHook();
  return hook && Wants(*hook, channel);
}

void TraceLinkFrame(const TFrameTrace& frame) {
  const auto hook = CurrentHook();
  if (hook && Wants(*hook, TTraceChannel::Frames)) hook->Frame(frame);
}

void TraceLinkStatus(std::string_view status) {
  const auto hook = CurrentHook();
  if (hook && Wants(*hook, TTraceChannel::Status)) hook->Status(status);
}
