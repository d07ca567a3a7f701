#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "sysprefs/MousePreferences.h"
#include "sysprefs/RecordingSystemPorts.h"

namespace lt260 {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

constexpr std::u16string_view kMouseKey = u"Control Panel\\Mouse";

class MousePreferencesTest : public ::testing::Test {
 protected:
  MousePreferencesTest() { registry.AddKey(RegistryRoot::CurrentUser, kMouseKey); }

  void Apply() { ApplyMousePreferences(profile, {system, registry, writer, debug}); }
  std::optional<std::u16string> MouseValue(std::u16string_view name) const {
    return registry.Value(RegistryRoot::CurrentUser, kMouseKey, name);
  }

  ProfileSetting profile = DefaultProfileSetting();
  lt260::test::Trace trace;
  lt260::test::RecordingSystemParameters system{trace};
  lt260::test::FakeRegistry registry{trace};
  lt260::test::TracingDebugOutput debug{trace};
  RegistryKeyWriter writer{registry};
};

TEST_F(MousePreferencesTest, DefaultProfileAppliesEveryStepInOrder) {
  Apply();
  EXPECT_THAT(
      trace,
      ElementsAre(  //
          "SetDoubleClickTime 680", "OpenKey HKCU \"Control Panel\\Mouse\" 0x2001F -> 1",
          "SetStringValue 1 DoubleClickSpeed=680",  //
          "CloseKey 1",                             //
          "Debug RefreshDoubleClickSpeed\n", "OpenKey HKCU \"Control Panel\\Mouse\" 0xF003F -> 2",
          "SetStringValue 2 MouseSpeed=0",       //
          "SetStringValue 2 MouseThreshold1=0",  //
          "SetStringValue 2 MouseThreshold2=0",  //
          "SetMouse 0 0 0",                      //
          "SetMouseSpeed 10",                    //
          "Debug RefreshMouseMoveSpeed\n",       //
          "SetWheelScrollLines 0x3",             //
          "Debug RefreshScrollLine\n"));
  // The writer keeps its key for the next application; that one closes it first.
  EXPECT_TRUE(writer.IsOpen());
  trace.clear();
  Apply();
  EXPECT_THAT(trace, Contains("CloseKey 2"));
  EXPECT_EQ(registry.OpenHandleCount(), 1u);
}

TEST_F(MousePreferencesTest, DoubleClickLevelSetsTimeAndRegistryText) {
  const std::pair<int32_t, int> cases[] = {{1, 920}, {4, 680}, {10, 200}};
  for (const auto& [level, milliseconds] : cases) {
    SCOPED_TRACE(level);
    profile.DBClick_Speed = level;
    trace.clear();
    RefreshDoubleClickSpeed(profile, system, registry);
    EXPECT_EQ(trace.front(), "SetDoubleClickTime " + std::to_string(milliseconds));
    const std::string text = std::to_string(milliseconds);
    EXPECT_EQ(MouseValue(u"DoubleClickSpeed"), std::u16string(text.begin(), text.end()));
  }
  EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

TEST_F(MousePreferencesTest, MissingMouseKeyIsNotCreatedForTheDoubleClickSpeed) {
  lt260::test::FakeRegistry emptyRegistry(trace);
  RefreshDoubleClickSpeed(profile, system, emptyRegistry);
  EXPECT_THAT(trace, ElementsAre("SetDoubleClickTime 680",
                                 "OpenKey HKCU \"Control Panel\\Mouse\" 0x2001F -> 0"));
  EXPECT_FALSE(emptyRegistry.HasKey(RegistryRoot::CurrentUser, kMouseKey));

  // The acceleration step creates the key, still without "DoubleClickSpeed".
  RegistryKeyWriter emptyWriter(emptyRegistry);
  ApplyMousePreferences(profile, {system, emptyRegistry, emptyWriter, debug});
  EXPECT_EQ(emptyRegistry.Value(RegistryRoot::CurrentUser, kMouseKey, u"MouseSpeed"), u"0");
  EXPECT_EQ(emptyRegistry.Value(RegistryRoot::CurrentUser, kMouseKey, u"DoubleClickSpeed"),
            std::nullopt);
}

// Without acceleration the default-profile trace above shows "0" three times.
TEST_F(MousePreferencesTest, EnhancedPrecisionSetsAndRecordsTheAccelerationTriple) {
  profile.mouse_enhance = 1;
  RefreshMouseMoveSpeed(profile, system, writer);
  EXPECT_THAT(trace, Contains("SetMouse 6 10 1"));
  EXPECT_EQ(MouseValue(u"MouseSpeed"), u"1");
  EXPECT_EQ(MouseValue(u"MouseThreshold1"), u"6");
  EXPECT_EQ(MouseValue(u"MouseThreshold2"), u"10");
}

TEST_F(MousePreferencesTest, PointerSpeedIsTwiceTheProfileSpeed) {
  const std::pair<int32_t, int> cases[] = {{1, 2}, {5, 10}, {10, 20}};
  for (const auto& [level, speed] : cases) {
    SCOPED_TRACE(level);
    profile.Mouse_Speed = level;
    trace.clear();
    RefreshMouseMoveSpeed(profile, system, writer);
    EXPECT_EQ(trace.back(), "SetMouseSpeed " + std::to_string(speed));
  }
}

TEST_F(MousePreferencesTest, PageScrollingOverridesTheWheelLines) {
  for (int32_t lines : {1, 3, 10}) {
    SCOPED_TRACE(lines);
    profile.Scroll_Speed = lines;
    profile.scroll_page = 1;
    trace.clear();
    EXPECT_EQ(RefreshScrollLine(profile, system), 1u);
    EXPECT_THAT(trace, ElementsAre("SetWheelScrollLines 0xFFFFFFFF"));

    profile.scroll_page = 0;
    trace.clear();
    RefreshScrollLine(profile, system);
    EXPECT_THAT(trace, ElementsAre("SetWheelScrollLines " + lt260::test::Hex(lines)));
  }
  system.FailWith(87);
  EXPECT_EQ(RefreshScrollLine(profile, system), 87u);
}

TEST_F(MousePreferencesTest, FailuresDoNotStopTheLaterSteps) {
  system.FailWith(5);
  registry.RefuseOpen = true;
  registry.RefuseCreate = true;
  profile.mouse_enhance = 1;
  Apply();
  EXPECT_THAT(trace, ElementsAre("SetDoubleClickTime 680",
                                 "OpenKey HKCU \"Control Panel\\Mouse\" 0x2001F -> 0",
                                 "Debug RefreshDoubleClickSpeed\n",
                                 "OpenKey HKCU \"Control Panel\\Mouse\" 0xF003F -> 0",
                                 "CreateKey HKCU \"Control Panel\\Mouse\" -> 0",  //
                                 "SetMouse 6 10 1",                               //
                                 "SetMouseSpeed 10",                              //
                                 "Debug RefreshMouseMoveSpeed\n",
                                 "SetWheelScrollLines 0x3",  //
                                 "Debug RefreshScrollLine\n"));

  // Refused writes are ignored too, and the key is still closed.
  registry.RefuseOpen = false;
  registry.RefuseCreate = false;
  registry.RefuseWrite = true;
  trace.clear();
  Apply();
  EXPECT_THAT(trace, Contains("CloseKey 1"));
  EXPECT_THAT(trace, Contains("SetStringValue 2 MouseThreshold2=10"));
  EXPECT_THAT(trace, Contains("Debug RefreshScrollLine\n"));
  EXPECT_THAT(trace, Not(Contains("CloseKey 0")));
}

}  // namespace
}  // namespace lt260
