#include <gtest/gtest.h>

#include <future>

#include "cli/CliArguments.h"
#include "cli/CliProgram.h"
#include "cli/CliTestSupport.h"
#include "cli/DeviceDiagnosis.h"
#include "cli/ExitStatus.h"
#include "cli/MessageQueue.h"
#include "cli/ProfileText.h"
#include "cli/SettingsCheck.h"
#include "ports/MessageNumbers.h"
#include "settings/IniFile.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsStore.h"
#include "support/FakeClock.h"

namespace lt260 {
namespace {

using test::CliResult;
using test::RunCliWith;
using test::TestPlatform;

int Status(ExitStatus status) { return Code(status); }

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Every error is a single line that starts with the program's name; progress
// lines may come before it.
void ExpectOneErrorLine(const CliResult& result, const std::string& part) {
  ASSERT_TRUE(result.err.ends_with("\n")) << result.err;
  const std::size_t start = result.err.rfind('\n', result.err.size() - 2);
  const std::string last = result.err.substr(start == std::string::npos ? 0 : start + 1);
  EXPECT_TRUE(last.starts_with("lt260ctl: ")) << result.err;
  EXPECT_TRUE(Contains(last, part)) << result.err;
  EXPECT_EQ(result.err.find("lt260ctl: "), result.err.size() - last.size()) << result.err;
}

std::string Line(const std::string& text, int number) {
  std::size_t at = 0;
  for (int i = 1; i < number; ++i) at = text.find('\n', at) + 1;
  return text.substr(at, text.find('\n', at) - at);
}

TEST(CliArgumentsTest, RefusesWhatItDoesNotUnderstand) {
  TestPlatform platform;
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"frobnicate"},
      {"list", "extra"},
      {"--device"},
      {"--device", "usb", "list"},
      {"apply", "--profile", "0"},
      {"apply", "--profile", "2x"},
      {"apply", "--settings"},
      {"caps"},
      {"list", "--json"},
      {"read", "--profile", "1"},
  };
  for (const auto& args : bad) {
    const CliResult result = RunCliWith(platform, args);
    EXPECT_EQ(result.status, Status(ExitStatus::Usage)) << ::testing::PrintToString(args);
    EXPECT_TRUE(Contains(result.err, "usage: lt260ctl")) << result.err;
  }
  const ParsedArguments parsed = ParseCliArguments(
      std::vector<std::string>{"apply", "--device", "sim", "--profile", "3", "--settings", "/x/y"});
  ASSERT_TRUE(parsed.Error.empty());
  EXPECT_EQ(parsed.Arguments.Command, Verb::Apply);
  EXPECT_EQ(parsed.Arguments.Device, DeviceChoice::Simulated);
  EXPECT_EQ(parsed.Arguments.Profile, 3);
  EXPECT_EQ(parsed.Arguments.SettingsPath, "/x/y");
  EXPECT_EQ(RunCliWith(platform, {"--help"}).status, 0);
}

TEST(CliCapsTest, PrintsOneLinePerCollectionAndRefusesBrokenFiles) {
  TestPlatform platform;
  const auto text = platform.folder / "vendor.rpt_desc";
  test::WriteBytes(text,
                   "0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x10, 0x75, 0x08,\n"
                   "0x95, 0x06, 0x81, 0x00, 0x09, 0x01, 0x91, 0x00, 0xC0,\n"
                   "0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x02, 0x95, 0x04, 0x81, 0x02,"
                   " 0xC0\n");
  CliResult result = RunCliWith(platform, {"caps", text.string()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out,
            "usage-page 0xFF00 usage 0x0001 input 7 output 7 feature 0\n"
            "usage-page 0x0001 usage 0x0002 input 5 output 0 feature 0\n");
  const auto raw = platform.folder / "raw.bin";
  test::WriteBytes(raw, std::string("\x06\x00\xFF\x09\x01\xA1\x01\x85\x03\x75\x08\x95\x27\xB1"
                                    "\x02\xC0",
                                    16));
  result = RunCliWith(platform, {"caps", raw.string()});
  EXPECT_EQ(result.out, "usage-page 0xFF00 usage 0x0001 input 0 output 0 feature 40\n");

  const auto broken = platform.folder / "broken.bin";
  test::WriteBytes(broken, std::string("\xA1\x01\x26\xFF", 4));
  const auto badText = platform.folder / "bad.txt";
  test::WriteBytes(badText, "0x05, 0x01,\n0x09, 0x123\n");
  const auto empty = platform.folder / "empty.txt";
  test::WriteBytes(empty, "\n");
  const std::pair<std::filesystem::path, std::string> failures[] = {
      {platform.folder / "missing", "cannot read"},
      {broken, "byte 2: item data cut off"},
      {badText, "line 2: \"0x123\" is not a hex byte"},
      {empty, "no top-level collection"},
  };
  for (const auto& [file, message] : failures) {
    result = RunCliWith(platform, {"caps", file.string()});
    EXPECT_EQ(result.status, Status(ExitStatus::BadDescriptor)) << file;
    ExpectOneErrorLine(result, message);
  }
}

TEST(CliUdevRuleTest, GivesTheSeatUserBothVendorProductPairs) {
  TestPlatform platform;
  const CliResult result = RunCliWith(platform, {"udev-rule"});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(Contains(result.out, "ATTRS{idVendor}==\"3938\", ATTRS{idProduct}==\"1101\""));
  EXPECT_TRUE(Contains(result.out, "ATTRS{idVendor}==\"1b80\", ATTRS{idProduct}==\"b412\""));
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 4);
  for (int line = 3; line <= 4; ++line) {
    EXPECT_TRUE(Line(result.out, line).ends_with("TAG+=\"uaccess\""));
    EXPECT_TRUE(Line(result.out, line).starts_with("KERNEL==\"hidraw*\""));
  }
}

TEST(CliListTest, ShowsTheInterfacesOrWhyNone) {
  TestPlatform platform;
  CliResult result = RunCliWith(platform, {"--device", "sim", "list"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 4);
  EXPECT_TRUE(Contains(result.out,
                       "3938:1101  usage-page 0xFF00 usage 0x0000 input 0 output 0 "
                       "feature 2049\n"));

  platform.mouse->Unplug();
  result = RunCliWith(platform, {"--device", "sim", "list"});
  EXPECT_EQ(result.status, Status(ExitStatus::NoMouse));
  ExpectOneErrorLine(result, "no LT-260 mouse found");

  SimulatedMouseConfig config;
  config.Interfaces[1].OpenFails = true;
  platform.Configure(config);
  result = RunCliWith(platform, {"--device", "sim", "list"});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(Contains(result.out, "(busy: held by another program)"));
}

struct ApplyFixture : ::testing::Test {
  void WriteSettings(const std::string& text) {
    std::filesystem::create_directories(platform.SettingsPath().parent_path());
    test::WriteBytes(platform.SettingsPath(), text);
  }
  TestPlatform platform;
};

TEST_F(ApplyFixture, CreatesDefaultsAndProgramsTheActiveProfile) {
  const CliResult result = RunCliWith(platform, {"--device", "sim", "apply"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(std::filesystem::exists(platform.SettingsPath()));
  EXPECT_TRUE(Contains(result.out, "created " + platform.SettingsPath().string()));
  EXPECT_TRUE(Contains(result.out, "programming the mouse with profile 1"));
  EXPECT_EQ(platform.mouse->TraceSummary(),
            (std::vector<std::string>{"set 40 accepted 03", "set 2049 accepted 04"}));
  EXPECT_EQ(platform.clock.Sleeps(), 1);
}

TEST_F(ApplyFixture, ProgramsTheChosenProfileAndMakesItActive) {
  ASSERT_EQ(RunCliWith(platform, {"--device", "sim", "apply"}).status, 0);
  IniFile file(platform.SettingsPath(), platform.SystemClock());
  file.WriteInt(u"Setting", u"Totle", 2);
  file.WriteInt(u"Setting", u"1", 1);
  file.WriteInt(u"Profile1Setting", u"DPI_Cur", 6);
  platform.mouse->ClearTransfers();

  CliResult result = RunCliWith(platform, {"--device", "sim", "apply", "--profile", "2"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(platform.mouse->SettingsReport()[1], 6);
  EXPECT_EQ(file.ReadInt(u"Setting", u"Active", -1), 1);

  result = RunCliWith(platform, {"--device", "sim", "apply", "--profile", "3"});
  EXPECT_EQ(result.status, Status(ExitStatus::BadSettings));
  ExpectOneErrorLine(result, "it has 2 profile(s), not 3");
}

TEST_F(ApplyFixture, NamesTheBadLineOfTheSettingsFile) {
  const std::pair<std::string, std::string> cases[] = {
      {"[Setting]\r\nTotle=1\r\n[Profile0Setting]\r\nGroupID=0\r\nDPI_Cur=12\r\n",
       "line 5: [Profile0Setting] DPI_Cur=12 is out of range (the load would use 3)"},
      {"[Setting]\nTotle=1\nActive=4\n",
       "line 3: [Setting] Active=4 is out of range (the load would use 0)"},
      {"[Setting]\nTotle=1\nDPI_Cur 3\n", "line 3: \"DPI_Cur 3\" is not a key=value line"},
      {"[Setting\nTotle=1\n", "line 1: section header without ]"},
  };
  for (const auto& [text, message] : cases) {
    WriteSettings(text);
    platform.mouse->ClearTransfers();
    const CliResult result = RunCliWith(platform, {"--device", "sim", "apply"});
    EXPECT_EQ(result.status, Status(ExitStatus::BadSettings)) << text;
    ExpectOneErrorLine(result, message);
    EXPECT_TRUE(platform.mouse->Transfers().empty());
    EXPECT_EQ(test::ReadBytes(platform.SettingsPath()), text);
  }
}

TEST_F(ApplyFixture, SaysWhyTheMouseWasNotProgrammed) {
  platform.mouse->Unplug();
  CliResult result = RunCliWith(platform, {"--device", "sim", "apply"});
  EXPECT_EQ(result.status, Status(ExitStatus::NoMouse));
  ExpectOneErrorLine(result, "no LT-260 mouse found");

  platform.mouse->Plug();
  platform.mouse->RefuseNextTransfers(5);
  result = RunCliWith(platform, {"--device", "sim", "apply"});
  EXPECT_EQ(result.status, Status(ExitStatus::DeviceBusy));
  ExpectOneErrorLine(result, "programming the mouse failed: the mouse refused it or went away");

  SimulatedMouseConfig config;
  config.Interfaces[2].OpenFails = true;
  platform.Configure(config);
  result = RunCliWith(platform, {"--device", "sim", "apply"});
  EXPECT_EQ(result.status, Status(ExitStatus::DeviceBusy));
  ExpectOneErrorLine(result, "the mouse is busy");
}

// A system that finds the mouse but may not open it.
class DeniedMouse final : public MouseSystem {
 public:
  HidBackend& Backend() override { return mouse_; }
  DeviceNotices& Notices() override { return mouse_; }
  std::vector<InterfaceSummary> MouseInterfaces() override {
    InterfaceSummary summary;
    summary.Path = u"/dev/hidraw4";
    summary.Problem = OpenProblem::PermissionDenied;
    summary.Remedy = remedy;
    return {summary};
  }

  std::string remedy;

 private:
  SimulatedMouse mouse_;
};

TEST(DeviceDiagnosisTest, PermissionDeniedCarriesTheUdevHint) {
  DeniedMouse denied;
  std::ostringstream err;
  EXPECT_EQ(DiagnoseDeviceFailure(denied, "apply", err), ExitStatus::PermissionDenied);
  EXPECT_EQ(err.str(),
            std::string("lt260ctl: permission denied opening /dev/hidraw4; ") + kUdevHint + "\n");

  // A system with its own remedy says that instead of the udev hint.
  denied.remedy = "ask the administrator";
  err.str("");
  EXPECT_EQ(DiagnoseDeviceFailure(denied, "apply", err), ExitStatus::PermissionDenied);
  EXPECT_EQ(err.str(), "lt260ctl: permission denied opening /dev/hidraw4; ask the administrator\n");
}

TEST(CliUnavailableVerbTest, SaysWhyInOneLineWithItsOwnStatusAndLeavesTheOthersAlone) {
  TestPlatform platform;
  platform.unavailableVerbs[Verb::UdevRule] = "udev-rule is for another system";
  platform.unavailableVerbs[Verb::Agent] = "agent is for another system";
  for (const char* verb : {"udev-rule", "agent"}) {
    const CliResult result = RunCliWith(platform, {"--device", "sim", verb});
    EXPECT_EQ(result.status, Status(ExitStatus::NotOnThisSystem)) << verb;
    EXPECT_EQ(result.out, "") << verb;
    ExpectOneErrorLine(result, std::string(verb) + " is for another system");
  }
  EXPECT_EQ(platform.mouse->Transfers().size(), 0u);
  EXPECT_EQ(RunCliWith(platform, {"--device", "sim", "list"}).status, 0);
  EXPECT_EQ(RunCliWith(platform, {"help"}).status, 0);
}

TEST_F(ApplyFixture, ReadPrintsTheMouseWithoutTouchingTheSettingsFile) {
  auto report = platform.mouse->SettingsReport();
  report[1] = 5;
  platform.mouse->SetSettingsReport(report);

  CliResult result = RunCliWith(platform, {"--device", "sim", "read"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(result.out.starts_with("[Profile0Setting]"));
  EXPECT_TRUE(Contains(result.out, "DPI_Cur=5\r\n"));
  EXPECT_TRUE(Contains(result.out, "ButtonAssigned6="));
  EXPECT_FALSE(std::filesystem::exists(platform.SettingsPath()));
  EXPECT_TRUE(Contains(result.err, "reading the mouse back"));

  result = RunCliWith(platform, {"--device", "sim", "read", "--json"});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(result.out.starts_with("{\n  \"Profile0Setting\": {\n    \"GroupID\": 0,"));
  EXPECT_TRUE(Contains(result.out, "\"DPI_Cur\": 5,"));
  EXPECT_TRUE(result.out.ends_with("\n  }\n}\n"));

  platform.mouse->Unplug();
  result = RunCliWith(platform, {"--device", "sim", "read"});
  EXPECT_EQ(result.status, Status(ExitStatus::NoMouse));
}

TEST_F(ApplyFixture, DumpPrintsBothReportsAsHex) {
  CliResult result = RunCliWith(platform, {"--device", "sim", "dump"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Line(result.out, 1), "report 3 (40 bytes):");
  EXPECT_TRUE(Line(result.out, 2).starts_with("03 "));
  EXPECT_EQ(Line(result.out, 5), "report 4 (2049 bytes):");
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1 + 3 + 1 + 129);
  EXPECT_EQ(platform.clock.Sleeps(), 1);

  platform.mouse->RefuseNextTransfers(1);
  result = RunCliWith(platform, {"--device", "sim", "dump"});
  EXPECT_EQ(result.status, Status(ExitStatus::DeviceBusy));
  ExpectOneErrorLine(result, "reading report 3 failed");
}

// Runs a long verb on its own thread, as the program's main thread would.
struct RunningCli {
  RunningCli(TestPlatform& platform, std::vector<std::string> args)
      : done(std::async(std::launch::async,
                        [&platform, args, this] { return RunCli(args, out, err, platform); })) {}
  test::SharedOutput out;
  test::SharedOutput err;
  std::future<int> done;
};

TEST(CliWatchTest, PrintsStagePressesAndArrivalsUntilQuit) {
  TestPlatform platform;
  RunningCli watch(platform, {"--device", "sim", "watch"});
  ASSERT_TRUE(watch.out.WaitFor("watching the DPI button"));
  platform.mouse->PressDpiButton(4);
  ASSERT_TRUE(watch.out.WaitFor("DPI stage 4\n"));
  platform.mouse->Unplug();
  platform.Post(kCliDeviceChanged);
  ASSERT_TRUE(watch.out.WaitFor("the mouse is gone\n"));
  platform.mouse->Plug();
  platform.Post(kCliDeviceChanged);
  ASSERT_TRUE(watch.out.WaitFor("the mouse arrived\n"));
  platform.mouse->PressDpiButton(2);
  ASSERT_TRUE(watch.out.WaitFor("DPI stage 2\n"));
  platform.Post(kCliQuit);
  ASSERT_EQ(watch.done.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(watch.done.get(), 0);
}

TEST(CliAgentTest, KeepsTheFileAndTheMouseInStep) {
  TestPlatform platform;
  auto report = platform.mouse->SettingsReport();
  report[1] = 4;
  platform.mouse->SetSettingsReport(report);
  IniFile file(platform.SettingsPath(), platform.SystemClock());

  RunningCli agent(platform, {"--device", "sim", "agent"});
  ASSERT_TRUE(agent.out.WaitFor("read the mouse back into " + platform.SettingsPath().string()));
  EXPECT_EQ(file.ReadInt(u"Profile0Setting", u"DPI_Cur", -1), 4);
  EXPECT_EQ(file.ReadInt(u"Setting", u"Device", -1), 1);

  platform.mouse->PressDpiButton(6);
  ASSERT_TRUE(agent.out.WaitFor("DPI stage 6 saved"));
  EXPECT_EQ(file.ReadInt(u"Profile0Setting", u"DPI_Cur", -1), 6);

  // Notices within a second of a read-back take the mouse as read, as on
  // Windows; later ones look again.
  platform.clock.Advance(2000);
  platform.mouse->Unplug();
  platform.Post(kCliDeviceChanged);
  ASSERT_TRUE(agent.out.WaitFor("the mouse is gone"));

  // A replug more than a second later is read back again.
  platform.clock.Advance(2000);
  auto replugged = platform.mouse->SettingsReport();
  replugged[1] = 2;
  platform.mouse->SetSettingsReport(replugged);
  platform.mouse->Plug();
  platform.Post(kCliDeviceChanged);
  platform.Post(kCliDeviceChanged);  // the same plug, another node
  ASSERT_TRUE(agent.out.WaitFor("the mouse is gone\nlt260ctl agent: read the mouse back"));

  // After a resume the active profile goes to the mouse again.
  platform.mouse->ClearTransfers();
  platform.Post(kCliResumed);
  ASSERT_TRUE(agent.out.WaitFor("profile 1 applied"));
  EXPECT_EQ(platform.mouse->TraceSummary(),
            (std::vector<std::string>{"set 40 accepted 03", "set 2049 accepted 04"}));
  EXPECT_EQ(platform.mouse->SettingsReport()[1], 2);

  platform.Post(kCliQuit);
  ASSERT_EQ(agent.done.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(agent.done.get(), 0);
  EXPECT_TRUE(Contains(agent.out.Text(), "lt260ctl agent: stopped"));
  const std::string out = agent.out.Text();
  // Two arrivals: one at start, one after the replug; the repeated notice did nothing.
  std::size_t readBacks = 0;
  for (std::size_t at = out.find("read the mouse back"); at != std::string::npos;
       at = out.find("read the mouse back", at + 1)) {
    ++readBacks;
  }
  EXPECT_EQ(readBacks, 2u);
}

TEST(CliAgentTest, WarnsOnceOfABadFileAndCarriesOn) {
  TestPlatform platform;
  std::filesystem::create_directories(platform.SettingsPath().parent_path());
  test::WriteBytes(platform.SettingsPath(), "[Setting]\nTotle=1\nShow_OSD=7\n");
  platform.mouse->Unplug();
  RunningCli agent(platform, {"--device", "sim", "agent"});
  ASSERT_TRUE(agent.out.WaitFor("watching the mouse"));
  platform.Post(kCliDeviceChanged);
  platform.Post(kCliQuit);
  ASSERT_EQ(agent.done.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(agent.done.get(), 0);
  const std::string err = agent.err.Text();
  EXPECT_TRUE(Contains(err, "line 3: [Setting] Show_OSD=7 is out of range")) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
}

TEST(SettingsCheckTest, GoodFilesAndMissingOnesHaveNoProblem) {
  test::TempDir folder;
  EXPECT_FALSE(CheckSettingsFile(folder / "missing"));
  SettingsFile defaults{};
  SettingsFile applied{};
  ProfileSetting active{};
  test::FakeClock clock;
  LoadSettings(folder / "GamingMouse", defaults, applied, active, clock);
  EXPECT_FALSE(CheckSettingsFile(folder / "GamingMouse"));
  test::WriteBytes(folder / "comments", "; written by hand\n\n[Setting]\nTotle=1\n");
  EXPECT_FALSE(CheckSettingsFile(folder / "comments"));
}

TEST(ProfileTextTest, IniTextBecomesJsonSectionsOfTypedValues) {
  EXPECT_EQ(IniTextToJson("[A]\r\nn=12\r\nneg=-3\r\nzero=0\r\nlead=012\r\nname=\"My \\\"mouse\"\r\n"
                          "hex=0A0B\r\n[B]\r\n[C]\r\nx=\xe9\r\n"),
            "{\n  \"A\": {\n    \"n\": 12,\n    \"neg\": -3,\n    \"zero\": 0,\n"
            "    \"lead\": \"012\",\n    \"name\": \"My \\\\\\\"mouse\",\n    \"hex\": \"0A0B\"\n"
            "  },\n  \"B\": {},\n  \"C\": {\n    \"x\": \"\\u00e9\"\n  }\n}\n");
  EXPECT_EQ(IniTextToJson(""), "{}\n");
}

}  // namespace
}  // namespace lt260
