#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "sysprefs/RecordingSystemPorts.h"
#include "sysprefs/RegistryKeyWriter.h"
#include "text/Utf8.h"

namespace lt260 {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RegistryKeyWriterTest : public ::testing::Test {
 protected:
  lt260::test::Trace trace;
  lt260::test::FakeRegistry registry{trace};
};

TEST_F(RegistryKeyWriterTest, FirstComponentNamesTheRootInAnyCase) {
  struct Case {
    std::u16string path;
    RegistryRoot root;
    std::u16string subKey;
  };
  const Case cases[] = {
      {u"HKEY_CURRENT_USER\\Control Panel\\Mouse", RegistryRoot::CurrentUser,
       u"Control Panel\\Mouse"},
      {u"hkey_current_user\\Control Panel\\Mouse", RegistryRoot::CurrentUser,
       u"Control Panel\\Mouse"},
      {u"Hkey_Current_User\\Control Panel\\Mouse", RegistryRoot::CurrentUser,
       u"Control Panel\\Mouse"},
      {u"HKEY_LOCAL_MACHINE\\Software\\X", RegistryRoot::LocalMachine, u"Software\\X"},
      {u"hkey_current_config\\System", RegistryRoot::CurrentConfig, u"System"},
      {u"HKEY_CLASSES_ROOT\\.txt", RegistryRoot::ClassesRoot, u".txt"},
      // Anything else is a path below HKEY_LOCAL_MACHINE, first component included.
      {u"Software\\X", RegistryRoot::LocalMachine, u"Software\\X"},
      {u"HKEY_USERS\\.DEFAULT", RegistryRoot::LocalMachine, u"HKEY_USERS\\.DEFAULT"},
      {u"HKEY_CURRENT_USERS\\X", RegistryRoot::LocalMachine, u"HKEY_CURRENT_USERS\\X"},
      {u"HKCU\\X", RegistryRoot::LocalMachine, u"HKCU\\X"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.path));
    registry.AddKey(c.root, c.subKey);
    RegistryKeyWriter writer(registry);
    EXPECT_TRUE(writer.Open(c.path, kRegistryAllAccess));
    EXPECT_TRUE(writer.SetString(u"Value", u"text"));
    EXPECT_EQ(registry.Value(c.root, c.subKey, u"Value"), u"text");
  }
}

TEST_F(RegistryKeyWriterTest, PathWithoutSubkeyOpensNothing) {
  RegistryKeyWriter writer(registry);
  registry.AddKey(RegistryRoot::CurrentUser, u"Control Panel\\Mouse");
  ASSERT_TRUE(writer.Open(u"HKEY_CURRENT_USER\\Control Panel\\Mouse", kRegistryAllAccess));
  trace.clear();

  // No backslash: not even a root key is opened.
  EXPECT_FALSE(writer.Open(u"HKEY_CURRENT_USER", kRegistryAllAccess));
  EXPECT_FALSE(writer.Open(u"Software", kRegistryAllAccess));
  EXPECT_FALSE(writer.Open(u"", kRegistryAllAccess));
  // The key held before was still closed, as every Open closes first.
  EXPECT_THAT(trace, ElementsAre("CloseKey 1"));
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_FALSE(writer.SetString(u"Value", u"text"));
  EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

TEST_F(RegistryKeyWriterTest, SubkeyMustFitThePathBuffer) {
  RegistryKeyWriter writer(registry);
  const std::u16string longest(RegistryKeyWriter::kSubKeyCapacity - 1, u'k');
  EXPECT_TRUE(writer.Open(u"HKEY_CURRENT_USER\\" + longest, kRegistryAllAccess));
  EXPECT_TRUE(registry.HasKey(RegistryRoot::CurrentUser, longest));

  trace.clear();
  EXPECT_FALSE(writer.Open(u"HKEY_CURRENT_USER\\" + longest + u"k", kRegistryAllAccess));
  // Without a named root the whole path is the subkey and must fit as well.
  EXPECT_FALSE(writer.Open(u"S\\" + longest, kRegistryAllAccess));
  EXPECT_THAT(trace, ElementsAre("CloseKey 1"));
}

TEST_F(RegistryKeyWriterTest, CreatesAKeyThatCannotBeOpened) {
  RegistryKeyWriter writer(registry);
  EXPECT_TRUE(writer.Open(u"HKEY_CURRENT_USER\\Software\\New", 0x20019));
  EXPECT_THAT(trace, ElementsAre("OpenKey HKCU \"Software\\New\" 0x20019 -> 0",
                                 "CreateKey HKCU \"Software\\New\" -> 1"));
  EXPECT_TRUE(writer.IsOpen());

  // Refused opening of a key that exists also falls back to creating it.
  registry.RefuseOpen = true;
  trace.clear();
  EXPECT_TRUE(writer.Open(u"HKEY_CURRENT_USER\\Software\\New", kRegistryAllAccess));
  EXPECT_THAT(trace, ElementsAre("CloseKey 1", "OpenKey HKCU \"Software\\New\" 0xF003F -> 0",
                                 "CreateKey HKCU \"Software\\New\" -> 2"));
}

TEST_F(RegistryKeyWriterTest, ReportsWhetherKeyAndValueWereWritten) {
  RegistryKeyWriter writer(registry);
  ASSERT_TRUE(writer.Open(u"HKEY_CURRENT_USER\\Control Panel\\Mouse", kRegistryAllAccess));
  registry.RefuseWrite = true;
  EXPECT_FALSE(writer.SetString(u"MouseThreshold2", u"0"));

  registry.RefuseOpen = true;
  registry.RefuseCreate = true;
  EXPECT_FALSE(writer.Open(u"HKEY_CURRENT_USER\\Control Panel\\Mouse", kRegistryAllAccess));
  trace.clear();
  EXPECT_FALSE(writer.SetString(u"MouseSpeed", u"1"));
  writer.Close();
  EXPECT_THAT(trace, IsEmpty());
}

TEST_F(RegistryKeyWriterTest, HoldsOneKeyAtATimeAndClosesItOnce) {
  registry.AddKey(RegistryRoot::CurrentUser, u"A\\B");
  {
    RegistryKeyWriter writer(registry);
    writer.Close();  // nothing open yet
    ASSERT_TRUE(writer.Open(u"HKEY_CURRENT_USER\\A\\B", kRegistryAllAccess));
    ASSERT_TRUE(writer.Open(u"HKEY_CURRENT_USER\\A\\B", kRegistryAllAccess));
    EXPECT_EQ(registry.OpenHandleCount(), 1u);
    writer.Close();
    writer.Close();
    ASSERT_TRUE(writer.Open(u"HKEY_CURRENT_USER\\A\\B", kRegistryAllAccess));
  }
  EXPECT_EQ(registry.OpenHandleCount(), 0u);
  EXPECT_THAT(trace, ElementsAre("OpenKey HKCU \"A\\B\" 0xF003F -> 1", "CloseKey 1",
                                 "OpenKey HKCU \"A\\B\" 0xF003F -> 2", "CloseKey 2",
                                 "OpenKey HKCU \"A\\B\" 0xF003F -> 3", "CloseKey 3"));
}

}  // namespace
}  // namespace lt260
