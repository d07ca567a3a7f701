#include "sim/SimulatedHandles.h"

#include <algorithm>

namespace lt260 {

std::shared_ptr<SimulatedHandle> SimulatedHandles::Open(const SimulatedInterface& attached) {
  auto handle = std::make_shared<SimulatedHandle>();
  handle->Id = nextId_++;
  handle->Interface = attached;
  open_.push_back(handle);
  latest_[attached.Path] = handle->Id;
  ++opens_;
  return handle;
}

void SimulatedHandles::Close(SimulatedHandle& handle) {
  if (handle.ActiveReads > 0) ++staleReads_;
  handle.Closed = true;
  handle.Cancelled = true;
  ++closes_;
  std::erase_if(open_, [&](const auto& open) { return open.get() == &handle; });
}

void SimulatedHandles::KillWhere(const std::function<bool(const SimulatedInterface&)>& gone) {
  for (const auto& handle : open_) {
    if (gone(handle->Interface)) handle->Dead = true;
  }
}

int SimulatedHandles::Queue(std::span<const uint8_t> report,
                            const std::function<bool(const SimulatedInterface&)>& wants) {
  const auto capacity = static_cast<std::size_t>(std::max(inputBufferCount_, 1));
  int queued = 0;
  for (const auto& handle : open_) {
    if (handle->Dead || handle->Cancelled || !wants(handle->Interface)) continue;
    while (handle->Queue.size() >= capacity) handle->Queue.pop_front();
    handle->Queue.emplace_back(report.begin(), report.end());
    ++queued;
  }
  return queued;
}

bool SimulatedHandles::Superseded(const SimulatedHandle& handle) const {
  const auto latest = latest_.find(handle.Interface.Path);
  return latest == latest_.end() || latest->second != handle.Id;
}

int SimulatedHandles::OpenNowOf(const std::u16string& path) const {
  return static_cast<int>(std::count_if(
      open_.begin(), open_.end(), [&](const auto& open) { return open->Interface.Path == path; }));
}

}  // namespace lt260
