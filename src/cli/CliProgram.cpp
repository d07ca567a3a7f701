#include "cli/CliProgram.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/AgentService.h"
#include "cli/DeviceDiagnosis.h"
#include "cli/ExitStatus.h"
#include "cli/ProfileText.h"
#include "cli/SettingsCheck.h"
#include "device/DeviceSync.h"
#include "device/ProfileSending.h"
#include "hid/DescriptorText.h"
#include "hid/HidChannel.h"
#include "hid/ReportDescriptor.h"
#include "ports/MessageNumbers.h"
#include "protocol/ButtonReport.h"
#include "protocol/SettingsReport.h"
#include "settings/IniFile.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValidation.h"
#include "text/Utf8.h"

namespace lt260 {
namespace {

class NoDebugOutput final : public DebugOutput {
 public:
  void Write(std::string_view) override {}
};

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value);
  return text;
}

std::string ReadWholeFile(const std::filesystem::path& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  std::ostringstream content;
  if (ok) content << in.rdbuf();
  return content.str();
}

// Everything a verb works with.
struct Session {
  const CliArguments& Arguments;
  std::ostream& Out;
  std::ostream& Err;
  CliPlatform& Platform;
  MessageQueue Queue;
  std::unique_ptr<MouseSystem> Mouse;

  std::filesystem::path SettingsPath() const {
    return Arguments.SettingsPath ? std::filesystem::path(*Arguments.SettingsPath)
                                  : Platform.DefaultSettingsPath();
  }
  std::filesystem::path BulletPath() const {
    return SettingsPath().parent_path() / "BulletSetting";
  }
};

// A settings problem ends apply and read: the user asked for exactly this file.
bool SettingsUsable(Session& s) {
  const auto problem = CheckSettingsFile(s.SettingsPath());
  if (!problem) return true;
  s.Err << "lt260ctl: bad settings file " << s.SettingsPath().string();
  if (problem->Line > 0) s.Err << " line " << problem->Line;
  s.Err << ": " << problem->Message << "\n";
  return false;
}

int List(Session& s) {
  const auto interfaces = s.Mouse->MouseInterfaces();
  if (interfaces.empty()) return Code(DiagnoseDeviceFailure(*s.Mouse, "list", s.Err));
  for (const InterfaceSummary& i : interfaces) {
    s.Out << ToUtf8(i.Path) << "  " << Hex4(i.VendorId) << ":" << Hex4(i.ProductId)
          << "  usage-page 0x" << Hex4(i.UsagePage) << " usage 0x" << Hex4(i.Usage) << " input "
          << i.InputLength << " output " << i.OutputLength << " feature " << i.FeatureLength;
    if (i.Problem == OpenProblem::PermissionDenied) s.Out << "  (permission denied)";
    if (i.Problem == OpenProblem::Busy) s.Out << "  (busy: " << i.Detail << ")";
    if (i.Problem == OpenProblem::Other) s.Out << "  (" << i.Detail << ")";
    s.Out << "\n";
  }
  return 0;
}

int Apply(Session& s) {
  if (!SettingsUsable(s)) return Code(ExitStatus::BadSettings);
  const std::filesystem::path path = s.SettingsPath();
  std::error_code ignored;
  const bool existed = std::filesystem::exists(path, ignored);
  std::filesystem::create_directories(path.parent_path(), ignored);
  SettingsFile loaded{};
  SettingsFile applied{};
  ProfileSetting active{};
  LoadSettings(path, loaded, applied, active, s.Platform.SystemClock());
  if (!existed) {
    if (!std::filesystem::exists(path, ignored)) {
      s.Err << "lt260ctl: bad settings file " << path.string() << ": cannot be created\n";
      return Code(ExitStatus::BadSettings);
    }
    s.Out << "created " << path.string() << " with the default profile\n";
  }
  int slot = loaded.Global.Active;
  if (s.Arguments.Profile) {
    if (*s.Arguments.Profile > loaded.Global.Totle) {
      s.Err << "lt260ctl: bad settings file " << path.string() << ": it has " << loaded.Global.Totle
            << " profile(s), not " << *s.Arguments.Profile << "\n";
      return Code(ExitStatus::BadSettings);
    }
    slot = *s.Arguments.Profile - 1;
    active = loaded.Profiles[slot];
  }

  NoDebugOutput debug;
  HidChannel channel(s.Mouse->Backend(), debug);
  channel.SetAlternateIds(kSecondVendorId, kSecondProductId);
  s.Out << "programming the mouse with profile " << slot + 1
        << ": settings report, a 300 ms pause, button assignments..." << std::endl;
  if (!SendProfileReports(channel, active, s.Platform.SystemClock())) {
    return Code(DiagnoseDeviceFailure(*s.Mouse, "programming the mouse", s.Err));
  }
  // The profile on the mouse becomes the active one, so the agent programs
  // the same one again after a resume.
  if (slot != loaded.Global.Active) {
    IniFile(path, s.Platform.SystemClock()).WriteInt(kGlobalSection, u"Active", slot);
    s.Out << "profile " << slot + 1 << " is now the active profile in " << path.string() << "\n";
  }
  s.Out << "done\n";
  return 0;
}

int Read(Session& s) {
  if (!SettingsUsable(s)) return Code(ExitStatus::BadSettings);
  // The reference for macro indices, read without creating anything.
  SettingsFile loaded{};
  ReadSettingsFile(s.SettingsPath(), loaded);
  ValidateSettings(loaded);
  ProfileSetting active = loaded.Profiles[loaded.Global.Active];

  // The read-back writes where the Agent would; here that is a scratch folder,
  // whose text is what gets printed.
  std::random_device random;
  const std::filesystem::path scratch =
      std::filesystem::temp_directory_path() / ("lt260ctl-read-" + std::to_string(random()));
  std::error_code ignored;
  std::filesystem::create_directories(scratch, ignored);
  struct Cleanup {
    std::filesystem::path folder;
    ~Cleanup() {
      std::error_code ignoredError;
      std::filesystem::remove_all(folder, ignoredError);
    }
  } cleanup{scratch};
  const std::filesystem::path settingsCopy = scratch / "GamingMouse";
  const std::filesystem::path bulletCopy = scratch / "BulletSetting";

  NoDebugOutput debug;
  HidChannel channel(s.Mouse->Backend(), debug);
  channel.SetAlternateIds(kSecondVendorId, kSecondProductId);
  std::optional<uint32_t> lastSync;
  DeviceSyncTarget target{
      channel, s.Platform.SystemClock(), loaded, active, settingsCopy, bulletCopy, lastSync};
  s.Err << "reading the mouse back (about 0.3 s)..." << std::endl;
  if (SyncFromDevice(target) == SyncOutcome::NotRead) {
    return Code(DiagnoseDeviceFailure(*s.Mouse, "reading the mouse", s.Err));
  }
  bool ok = false;
  std::string text = ReadWholeFile(settingsCopy, ok);
  bool bulletOk = false;
  const std::string bullets = ReadWholeFile(bulletCopy, bulletOk);
  if (bulletOk) text += bullets;
  s.Out << (s.Arguments.Json ? IniTextToJson(text) : text);
  return 0;
}

void PrintHex(std::ostream& out, std::span<const uint8_t> bytes) {
  char cell[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(cell, sizeof cell, "%02x", bytes[i]);
    out << cell << ((i % 16 == 15 || i + 1 == bytes.size()) ? "\n" : " ");
  }
}

int Dump(Session& s) {
  NoDebugOutput debug;
  HidChannel channel(s.Mouse->Backend(), debug);
  channel.SetAlternateIds(kSecondVendorId, kSecondProductId);
  SettingsReportBytes settings{kSettingsReportId};
  s.Err << "reading reports 3 and 4 (about 0.3 s)..." << std::endl;
  if (!channel.FindDevice(kSettingsReportLength) || !channel.GetFeature(settings)) {
    return Code(DiagnoseDeviceFailure(*s.Mouse, "reading report 3", s.Err));
  }
  s.Out << "report 3 (" << settings.size() << " bytes):\n";
  PrintHex(s.Out, settings);
  channel.CloseFeatureHandle();
  // The firmware wants its pause before the button report is read.
  s.Platform.SystemClock().Sleep(kFirmwareSettleMilliseconds);
  auto buttons = std::make_unique<ButtonReportBytes>();
  (*buttons)[0] = kButtonReportId;
  if (!channel.FindDevice(kButtonReportLength) || !channel.GetFeature(*buttons)) {
    return Code(DiagnoseDeviceFailure(*s.Mouse, "reading report 4", s.Err));
  }
  s.Out << "report 4 (" << buttons->size() << " bytes):\n";
  PrintHex(s.Out, *buttons);
  return 0;
}

int Watch(Session& s) {
  NoDebugOutput debug;
  HidChannel channel(s.Mouse->Backend(), debug);
  channel.SetAlternateIds(kSecondVendorId, kSecondProductId);
  const auto watchers = s.Platform.StartWatchers(s.Queue, *s.Mouse);
  channel.StartListener([&queue = s.Queue](int stage) { queue.PostDpiStage(stage); });
  const uintptr_t registration = s.Mouse->Notices().WatchInterfaces(kCliWindow);
  bool present = channel.InputDevice() != nullptr;
  if (!present) {
    const auto interfaces = s.Mouse->MouseInterfaces();
    for (const InterfaceSummary& i : interfaces) {
      if (i.Problem == OpenProblem::PermissionDenied) {
        return Code(DiagnoseDeviceFailure(*s.Mouse, "watch", s.Err));
      }
    }
  }
  s.Out << (present ? "watching the DPI button (Ctrl-C ends)"
                    : "waiting for the mouse (Ctrl-C ends)")
        << std::endl;
  for (;;) {
    const MessageQueue::Message message = s.Queue.Wait();
    if (message.Number == kCliQuit) break;
    if (message.Number == WM_AGENT_DPI_STAGE) s.Out << "DPI stage " << message.WParam << std::endl;
    if (message.Number == kCliDeviceChanged) {
      channel.FindDevice(HidChannel::kListenerFeatureLength);
      const bool now = channel.InputDevice() != nullptr;
      if (now != present) s.Out << (now ? "the mouse arrived" : "the mouse is gone") << std::endl;
      present = now;
    }
  }
  if (registration != 0) s.Mouse->Notices().EndWatch(registration);
  return 0;
}

int Caps(Session& s) {
  bool ok = false;
  const std::string content = ReadWholeFile(s.Arguments.File, ok);
  if (!ok) {
    s.Err << "lt260ctl: cannot read " << s.Arguments.File << "\n";
    return Code(ExitStatus::BadDescriptor);
  }
  const DescriptorBytes bytes = ReadDescriptorContent(content);
  if (!bytes.Error.empty()) {
    s.Err << "lt260ctl: " << s.Arguments.File << " line " << bytes.ErrorLine << ": " << bytes.Error
          << "\n";
    return Code(ExitStatus::BadDescriptor);
  }
  const DescriptorParse parse = ParseReportDescriptor(bytes.Bytes);
  if (!parse.Ok()) {
    s.Err << "lt260ctl: " << s.Arguments.File << " byte " << parse.ErrorOffset << ": "
          << parse.Error << "\n";
    return Code(ExitStatus::BadDescriptor);
  }
  if (parse.Collections.empty()) {
    s.Err << "lt260ctl: " << s.Arguments.File << ": no top-level collection\n";
    return Code(ExitStatus::BadDescriptor);
  }
  for (const CollectionCaps& caps : parse.Collections) {
    s.Out << "usage-page 0x" << Hex4(caps.UsagePage) << " usage 0x" << Hex4(caps.Usage) << " input "
          << caps.InputReportLength << " output " << caps.OutputReportLength << " feature "
          << caps.FeatureReportLength << "\n";
  }
  return 0;
}

int Agent(Session& s) {
  const auto watchers = s.Platform.StartWatchers(s.Queue, *s.Mouse);
  AgentService agent(*s.Mouse, s.Queue, s.Platform.SystemClock(), s.Out, s.Err, s.SettingsPath(),
                     s.BulletPath());
  return agent.Run();
}

}  // namespace

std::string UdevRuleText() {
  std::string rule =
      "# LT-260 gaming mouse: its hidraw nodes belong to the user at the seat (uaccess),\n"
      "# so lt260ctl and its agent work without root.\n";
  const std::array<std::pair<uint16_t, uint16_t>, 2> ids = {
      std::pair{kVendorId, kProductId}, std::pair{kSecondVendorId, kSecondProductId}};
  for (const auto& [vendor, product] : ids) {
    std::string vendorText = Hex4(vendor);
    std::string productText = Hex4(product);
    for (auto* text : {&vendorText, &productText}) {
      for (char& c : *text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    rule += "KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"" + vendorText +
            "\", ATTRS{idProduct}==\"" + productText + "\", TAG+=\"uaccess\"\n";
  }
  return rule;
}

int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           CliPlatform& platform) {
  const ParsedArguments parsed = ParseCliArguments(args);
  if (!parsed.Error.empty()) {
    err << "lt260ctl: " << parsed.Error << "\n" << kUsage;
    return Code(ExitStatus::Usage);
  }
  const CliArguments& arguments = parsed.Arguments;
  if (const auto reason = platform.VerbUnavailable(arguments.Command)) {
    err << "lt260ctl: " << *reason << "\n";
    return Code(ExitStatus::NotOnThisSystem);
  }
  switch (arguments.Command) {
    case Verb::Help:
      out << kUsage;
      return 0;
    case Verb::UdevRule:
      out << UdevRuleText();
      return 0;
    default:
      break;
  }
  Session s{arguments, out, err, platform, {}, nullptr};
  if (arguments.Command == Verb::Caps) return Caps(s);
  s.Mouse = platform.OpenMouseSystem(arguments.Device, s.Queue);
  if (!s.Mouse) {
    err << "lt260ctl: the device system cannot be used here\n";
    return Code(ExitStatus::Failed);
  }
  switch (arguments.Command) {
    case Verb::List:
      return List(s);
    case Verb::Apply:
      return Apply(s);
    case Verb::Read:
      return Read(s);
    case Verb::Dump:
      return Dump(s);
    case Verb::Watch:
      return Watch(s);
    case Verb::Agent:
      return Agent(s);
    default:
      return Code(ExitStatus::Failed);
  }
}

}  // namespace lt260
