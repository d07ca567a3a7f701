// The Win32 HID backend against the system's real SetupAPI and HID library.
// Under Wine the only HID interfaces are Wine's own virtual devices, which
// never send input: good for showing that every read ends when cancelled.
#include <windows.h>
// <dbt.h> builds on <windows.h>.
#include <dbt.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "hid/HidChannel.h"
#include "platform/win32/Win32HidBackend.h"
#include "platform/win32/Win32HidSystemCalls.h"
#include "protocol/DeviceIdentity.h"
#include "support/RecordingPorts.h"
#include "support/TransferPrinting.h"
#include "text/Utf8.h"

namespace lt260 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Long enough that a read which is not cancelled would still be pending,
// short enough to keep the test quick.
constexpr auto kPendingProbe = 200ms;
// A cancelled read ends in microseconds; anything near this bound is a fault.
constexpr auto kPromptly = 2s;
constexpr InputRead kCancelled = InputRead::Ended(ReadOutcome::Cancelled);

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

struct InterfaceInfo {
  uint16_t vendorId;
  uint16_t productId;
  int inputLength;
  int featureLength;
  auto operator<=>(const InterfaceInfo&) const = default;
};

// The first present interface that delivers input reports, opened.
std::unique_ptr<HidDevice> OpenInputInterface(Win32HidBackend& backend) {
  for (const auto& path : backend.EnumerateInterfaces()) {
    auto device = backend.Open(path);
    if (device && device->InputReportLength() > 0) return device;
  }
  return nullptr;
}

// Runs one ReadInput on its own thread. The thread holds the device, so a
// read that never ends fails the test without running through a closed handle.
std::future<InputRead> StartRead(std::shared_ptr<HidDevice> device) {
  std::packaged_task<InputRead()> task([device] {
    std::vector<uint8_t> buffer(static_cast<size_t>(device->InputReportLength()));
    return device->ReadInput(buffer);
  });
  auto result = task.get_future();
  std::thread(std::move(task)).detach();
  return result;
}

// What holds on any system: an interface opens for reading and writing or,
// where the system keeps it for itself (Windows does so with every mouse and
// keyboard collection), without read access, and either way describes
// itself; one the system refuses even that is skipped. Under Wine every
// interface opens with read access.
TEST(Win32HidBackendTest, EnumeratesOpensAndDescribesEveryPresentInterface) {
  Win32HidBackend backend;
  const auto paths = backend.EnumerateInterfaces();
  EXPECT_EQ(backend.EnumerateInterfaces(), paths) << "the order of one enumeration is stable";

  std::multiset<InterfaceInfo> seen;
  int unreadable = 0;
  int unopened = 0;
  for (const auto& path : paths) {
    EXPECT_FALSE(path.empty());
    auto device = backend.Open(path);
    if (device == nullptr) {
      std::printf("HID interface %s: cannot be opened (error %lu)\n", ToUtf8(path).c_str(),
                  GetLastError());
      ++unopened;
      continue;
    }
    const InterfaceInfo info{device->VendorId(), device->ProductId(), device->InputReportLength(),
                             device->FeatureReportLength()};
    std::printf("HID interface %s: vendor 0x%04X product 0x%04X input %d feature %d%s\n",
                ToUtf8(path).c_str(), info.vendorId, info.productId, info.inputLength,
                info.featureLength, device->CanRead() ? "" : " (kept by the system: no reads)");
    EXPECT_NE(info.vendorId | info.productId, 0) << ToUtf8(path);
    if (!device->CanRead()) ++unreadable;
    seen.insert(info);
  }
  std::printf("%zu interfaces, %d opened without read access, %d not opened\n", paths.size(),
              unreadable, unopened);
  if (RunningUnderWine()) {
    // Wine's virtual mouse and keyboard.
    const std::multiset<InterfaceInfo> expected{{0x845E, 0x0001, 2, 0}, {0x845E, 0x0002, 14, 0}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(unreadable, 0);
    EXPECT_EQ(unopened, 0);
  }
}

// Stand-ins for the backend's system calls: the system's own, except that an
// open asking for reading or writing is refused as Windows refuses it for the
// collections it keeps, and that a read can be made to fail with a given error.
struct ProvokedCalls {
  static HANDLE WINAPI Open(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                            DWORD disposition, DWORD flags, HANDLE templateFile) {
    accessAsked.push_back(access);
    if (denyReadWrite && (access & (GENERIC_READ | GENERIC_WRITE)) != 0) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(name, access, share, security, disposition, flags, templateFile);
  }
  static BOOL WINAPI Read(HANDLE file, LPVOID buffer, DWORD length, LPDWORD done,
                          LPOVERLAPPED overlapped) {
    if (readError != ERROR_SUCCESS) {
      SetLastError(readError);
      return FALSE;
    }
    return ReadFile(file, buffer, length, done, overlapped);
  }

  static inline std::vector<DWORD> accessAsked;
  static inline bool denyReadWrite = false;
  static inline DWORD readError = ERROR_SUCCESS;
  static inline const Win32HidSystemCalls kCalls{&Open, &Read};
};

class ProvokedBackendTest : public ::testing::Test {
 protected:
  ProvokedBackendTest() {
    ProvokedCalls::accessAsked.clear();
    ProvokedCalls::denyReadWrite = false;
    ProvokedCalls::readError = ERROR_SUCCESS;
  }
  Win32HidBackend backend{&ProvokedCalls::kCalls};
};

TEST_F(ProvokedBackendTest, InterfaceRefusedForReadingOpensWithoutAccessAndStillDescribesItself) {
  Win32HidBackend plain;
  ProvokedCalls::denyReadWrite = true;
  int opened = 0;
  for (const auto& path : backend.EnumerateInterfaces()) {
    SCOPED_TRACE(ToUtf8(path));
    ProvokedCalls::accessAsked.clear();
    std::shared_ptr<HidDevice> device = backend.Open(path);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(ProvokedCalls::accessAsked, (std::vector<DWORD>{GENERIC_READ | GENERIC_WRITE, 0}));
    EXPECT_FALSE(device->CanRead());
    auto readable = plain.Open(path);
    ASSERT_NE(readable, nullptr);
    EXPECT_TRUE(readable->CanRead());
    EXPECT_EQ(device->VendorId(), readable->VendorId());
    EXPECT_EQ(device->ProductId(), readable->ProductId());
    EXPECT_EQ(device->InputReportLength(), readable->InputReportLength());
    EXPECT_EQ(device->FeatureReportLength(), readable->FeatureReportLength());
    // A read on it fails at once rather than waiting for input it cannot get.
    auto read = StartRead(device);
    ASSERT_EQ(read.wait_for(kPromptly), std::future_status::ready);
    EXPECT_EQ(read.get(), InputRead::Ended(ReadOutcome::Failed));
    ++opened;
  }
  if (RunningUnderWine()) {
    EXPECT_EQ(opened, 2);
  }

  // Any other refusal is final: no second open.
  ProvokedCalls::denyReadWrite = false;
  for (auto path : backend.EnumerateInterfaces()) {
    ProvokedCalls::accessAsked.clear();
    path += u"#gone";
    EXPECT_EQ(backend.Open(path), nullptr);
    EXPECT_EQ(ProvokedCalls::accessAsked.size(), 1u) << ToUtf8(path);
  }
}

TEST_F(ProvokedBackendTest, ReadFailingAsForAPulledOutDeviceSaysTheDeviceIsGone) {
  struct Case {
    DWORD error;
    ReadOutcome outcome;
  };
  const Case cases[] = {
      {ERROR_DEVICE_NOT_CONNECTED, ReadOutcome::DeviceGone},
      {ERROR_DEV_NOT_EXIST, ReadOutcome::DeviceGone},
      {ERROR_DEVICE_REMOVED, ReadOutcome::DeviceGone},
      {ERROR_GEN_FAILURE, ReadOutcome::Failed},
      {ERROR_INVALID_PARAMETER, ReadOutcome::Failed},
  };
  std::shared_ptr<HidDevice> device = OpenInputInterface(backend);
  if (device == nullptr) GTEST_SKIP() << "no interface with input reports";
  for (const Case& c : cases) {
    ProvokedCalls::readError = c.error;
    std::vector<uint8_t> buffer(static_cast<size_t>(device->InputReportLength()));
    EXPECT_EQ(device->ReadInput(buffer), InputRead::Ended(c.outcome)) << "error " << c.error;
  }
  device->CancelRead();
  std::vector<uint8_t> buffer(8);
  EXPECT_EQ(device->ReadInput(buffer), kCancelled)
      << "a cancelled device reads nothing, whatever the system would say";
}

TEST(Win32HidBackendTest, OpenGivesNothingForPathsThatNameNoInterface) {
  Win32HidBackend backend;
  EXPECT_EQ(backend.Open(u""), nullptr);
  EXPECT_EQ(backend.Open(u"\\\\?\\hid#vid_3938&pid_1101#0&0000&0#{4d1e55b2-f16f-11cf-88cb-"
                         u"001111000030}"),
            nullptr);
  for (auto path : backend.EnumerateInterfaces()) {
    path += u"#gone";
    EXPECT_EQ(backend.Open(path), nullptr) << ToUtf8(path);
  }
}

TEST(Win32HidBackendTest, FeatureTransfersFailWhereTheInterfaceHasNoFeatureReport) {
  Win32HidBackend backend;
  int checked = 0;
  for (const auto& path : backend.EnumerateInterfaces()) {
    auto device = backend.Open(path);
    if (!device || device->FeatureReportLength() != 0) continue;
    std::vector<uint8_t> report(40, 0);
    report[0] = 3;
    // Told apart before the system is asked: the length is not the interface's.
    EXPECT_EQ(device->SetFeature(report).Outcome, TransferOutcome::WrongLength) << ToUtf8(path);
    EXPECT_EQ(device->GetFeature(report).Outcome, TransferOutcome::WrongLength) << ToUtf8(path);
    EXPECT_EQ(device->SetFeature({}).Outcome, TransferOutcome::WrongLength) << ToUtf8(path);
    EXPECT_EQ(device->GetFeature({}).Outcome, TransferOutcome::WrongLength) << ToUtf8(path);
    ++checked;
  }
  if (RunningUnderWine()) {
    EXPECT_EQ(checked, 2);
  }
}

TEST(Win32HidBackendTest, CancelReadEndsReadsBeforeDuringAndAfter) {
  Win32HidBackend backend;
  if (!RunningUnderWine()) GTEST_SKIP() << "needs interfaces that stay silent";

  // Before: a cancelled device does not start a read at all.
  {
    std::shared_ptr<HidDevice> device = OpenInputInterface(backend);
    ASSERT_NE(device, nullptr);
    device->CancelRead();
    auto read = StartRead(device);
    ASSERT_EQ(read.wait_for(kPromptly), std::future_status::ready);
    EXPECT_EQ(read.get(), kCancelled);
  }
  // During, from another thread; and every later read ends at once.
  {
    std::shared_ptr<HidDevice> device = OpenInputInterface(backend);
    ASSERT_NE(device, nullptr);
    auto read = StartRead(device);
    ASSERT_EQ(read.wait_for(kPendingProbe), std::future_status::timeout)
        << "the read should still wait for input";
    const auto cancelledAt = Clock::now();
    device->CancelRead();
    ASSERT_EQ(read.wait_for(kPromptly), std::future_status::ready);
    EXPECT_EQ(read.get(), kCancelled);
    std::printf("pending read ended %lld us after CancelRead\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                           Clock::now() - cancelledAt)
                                           .count()));
    for (int again = 0; again < 3; ++again) {
      auto later = StartRead(device);
      ASSERT_EQ(later.wait_for(kPromptly), std::future_status::ready);
      EXPECT_EQ(later.get(), kCancelled);
    }
    device->CancelRead();  // a second cancel is harmless
  }
}

TEST(Win32HidBackendTest, CancelReadRacingTheStartOfAReadStillEndsIt) {
  Win32HidBackend backend;
  if (!RunningUnderWine()) GTEST_SKIP() << "needs interfaces that stay silent";
  // Cancels land before, while and after ReadFile is issued; none may be lost.
  for (int round = 0; round < 200; ++round) {
    std::shared_ptr<HidDevice> device = OpenInputInterface(backend);
    ASSERT_NE(device, nullptr);
    auto read = StartRead(device);
    std::this_thread::sleep_for(std::chrono::microseconds(round * 10));
    device->CancelRead();
    ASSERT_EQ(read.wait_for(kPromptly), std::future_status::ready) << "round " << round;
    EXPECT_EQ(read.get(), kCancelled) << "round " << round;
  }
}

// A hidden top-level window of a minimal class, destroyed with the object.
class HiddenWindow {
 public:
  HiddenWindow() : instance_(GetModuleHandleW(nullptr)) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance_;
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    window_ = CreateWindowExW(0, kClassName, L"HID notices", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              instance_, nullptr);
  }
  ~HiddenWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    UnregisterClassW(kClassName, instance_);
  }
  HiddenWindow(const HiddenWindow&) = delete;
  HiddenWindow& operator=(const HiddenWindow&) = delete;

  WindowId Id() const { return reinterpret_cast<WindowId>(window_); }

 private:
  static constexpr const wchar_t* kClassName = L"LT260HidNotificationTest";
  HINSTANCE instance_;
  HWND window_ = nullptr;
};

TEST(Win32HidBackendTest, DeviceNotificationRegistersForARealWindow) {
  HiddenWindow window;
  ASSERT_NE(window.Id(), 0u);
  Win32HidBackend backend;
  const uintptr_t registration = backend.WatchInterfaces(window.Id());
  std::printf("WatchInterfaces: 0x%llx\n", static_cast<unsigned long long>(registration));
  EXPECT_NE(registration, 0u);
  backend.EndWatch(registration);
}

// Removal watches on open interfaces, and the notices that name them. Wine
// accepts the registration but, having no removal requests, never sends
// DBT_DEVICEQUERYREMOVE; the notice is therefore built here as the system
// builds it.
TEST(Win32HidBackendTest, RemovalWatchesRegisterAndTheirNoticesAreRecognised) {
  HiddenWindow window;
  ASSERT_NE(window.Id(), 0u);
  Win32HidBackend backend;
  int watched = 0;
  for (const auto& path : backend.EnumerateInterfaces()) {
    auto device = backend.Open(path);
    ASSERT_NE(device, nullptr);
    const uintptr_t watch = backend.WatchRemoval(*device, window.Id());
    std::printf("removal watch on %s: 0x%llx (error %lu)\n", ToUtf8(path).c_str(),
                static_cast<unsigned long long>(watch), watch == 0 ? GetLastError() : 0ul);
    if (watch == 0) continue;
    ++watched;

    DEV_BROADCAST_HANDLE notice{};
    notice.dbch_size = sizeof(notice);
    notice.dbch_devicetype = DBT_DEVTYP_HANDLE;
    notice.dbch_handle = nullptr;  // the handle may be closed by the time it comes
    notice.dbch_hdevnotify = reinterpret_cast<HDEVNOTIFY>(watch);
    EXPECT_EQ(backend.WatchOfNotice(reinterpret_cast<intptr_t>(&notice)), watch);
    notice.dbch_size = offsetof(DEV_BROADCAST_HANDLE, dbch_hdevnotify);
    EXPECT_EQ(backend.WatchOfNotice(reinterpret_cast<intptr_t>(&notice)), 0u)
        << "a notice too short to name its registration";
    DEV_BROADCAST_DEVICEINTERFACE_W other{};
    other.dbcc_size = sizeof(other);
    other.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    EXPECT_EQ(backend.WatchOfNotice(reinterpret_cast<intptr_t>(&other)), 0u);

    // The watch outlives the handle, as a request's failure needs it to.
    device.reset();
    backend.EndWatch(watch);
  }
  EXPECT_EQ(backend.WatchOfNotice(0), 0u);
  std::printf("%d interfaces watched for removal\n", watched);
  if (RunningUnderWine()) {
    EXPECT_EQ(watched, 2);
  }
}

// The channel's discovery over the real backend: Wine's interfaces are not the
// mouse, so no length finds anything and both roles stay empty.
TEST(Win32HidChannelTest, FindsNoMouseAmongTheSystemInterfaces) {
  if (!RunningUnderWine()) GTEST_SKIP() << "a real system may have the mouse attached";
  Win32HidBackend backend;
  test::RecordingWindowMessages messages;
  test::RecordingDebugOutput debugOutput;
  HidChannel channel(backend, debugOutput);
  channel.SetAlternateIds(kSecondVendorId, kSecondProductId);
  for (const int32_t wantedLength : {40, 2049, 8, 100}) {
    EXPECT_FALSE(channel.FindDevice(wantedLength)) << wantedLength;
    EXPECT_EQ(channel.FeatureDevice(), nullptr) << wantedLength;
    EXPECT_EQ(channel.InputDevice(), nullptr) << wantedLength;
  }
  std::vector<uint8_t> report(40, 0);
  EXPECT_EQ(channel.SetFeature(report).Outcome, TransferOutcome::Gone) << "no interface is held";
  EXPECT_EQ(channel.GetFeature(report).Outcome, TransferOutcome::Gone);
}

// Start-up with the mouse absent: registration succeeds for a real window,
// the listener idles without posting, and the channel's end stops it.
TEST(Win32HidChannelTest, ListenerStartsAndStopsWithTheMouseAbsent) {
  if (!RunningUnderWine()) GTEST_SKIP() << "a real system may have the mouse attached";
  HiddenWindow window;
  ASSERT_NE(window.Id(), 0u);
  Win32HidBackend backend;
  test::RecordingWindowMessages messages;
  test::RecordingDebugOutput debugOutput;
  auto channel = std::make_unique<HidChannel>(backend, debugOutput);
  channel->SetAlternateIds(kSecondVendorId, kSecondProductId);
  channel->StartListener([&messages, &window](int stage) {
    messages.Post(window.Id(), 0x8001, static_cast<uint64_t>(stage), 0);
  });
  const uintptr_t registration = backend.WatchInterfaces(window.Id());
  EXPECT_EQ(channel->InputDevice(), nullptr);
  std::this_thread::sleep_for(kPendingProbe);
  const auto stopping = Clock::now();
  channel.reset();
  EXPECT_LT(Clock::now() - stopping, kPromptly);
  EXPECT_NE(registration, 0u);
  backend.EndWatch(registration);
  EXPECT_EQ(messages.PostCount(), 0u);
  EXPECT_TRUE(debugOutput.Lines().empty());
}

}  // namespace
}  // namespace lt260
