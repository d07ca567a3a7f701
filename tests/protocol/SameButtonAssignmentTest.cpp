#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "protocol/ProtocolTestSupport.h"
#include "protocol/SameButtonAssignment.h"

namespace lt260 {
namespace {

using test::Delay;
using test::Press;
using test::Release;

TEST(SameButtonAssignment, ComparesCodeCountAndNonDelaySlots) {
  struct Case {
    std::string name;
    std::function<void(ButtonAssignment&)> change;
    bool same;
  };
  const Case cases[] = {
      {"unchanged", [](ButtonAssignment&) {}, true},
      {"other delay value", [](ButtonAssignment& a) { a.MacroEvents[1].Value = 999; }, true},
      {"delay on one side, key on the other",
       [](ButtonAssignment& a) { a.MacroEvents[1] = Press(0x20); }, true},
      {"key on one side, delay on the other",
       [](ButtonAssignment& a) { a.MacroEvents[0] = Delay(5); }, true},
      {"mode, repeat, button number, index and reserved bytes",
       [](ButtonAssignment& a) {
         a.MacroMode = 3;
         a.MacroRepeat = 9;
         a.ButtonNo = 6;
         a.MacroIndex = 12;
         a.Reserved1 = 1;
         a.Reserved2[0] = 1;
         a.MacroEvents[0].Reserved = 7;
       },
       true},
      {"function code", [](ButtonAssignment& a) { a.FunctionCode = 0xA0; }, false},
      {"event count", [](ButtonAssignment& a) { a.MacroEventCount = 2; }, false},
      {"key code", [](ButtonAssignment& a) { a.MacroEvents[2].Code = 0x15; }, false},
      {"press against release", [](ButtonAssignment& a) { a.MacroEvents[2].Value = 1; }, false},
      {"slot past the count", [](ButtonAssignment& a) { a.MacroEvents[91] = Press(0x14); }, false},
  };
  const ButtonAssignment stored = test::MacroAssignment({Press(0x14), Delay(50), Release(0x14)});
  for (const Case& c : cases) {
    ButtonAssignment readBack = stored;
    c.change(readBack);
    EXPECT_EQ(SameButtonAssignment(readBack, stored), c.same) << c.name;
    EXPECT_EQ(SameButtonAssignment(stored, readBack), c.same) << c.name << " (swapped)";
  }
}

}  // namespace
}  // namespace lt260
