#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "wine/ProfileCaseShrinker.h"

namespace lt260::wine {
namespace {

ProfileOp Write(std::u16string key) {
  ProfileOp op;
  op.kind = OpKind::WriteString;
  op.section = u"s";
  op.key = std::move(key);
  op.text = u"v";
  return op;
}

ProfileCase Case(std::vector<std::u16string> lines, std::vector<ProfileOp> ops) {
  ProfileCase profileCase;
  profileCase.name = "case";
  profileCase.file.form = FileForm::Ansi;
  profileCase.file.lines = std::move(lines);
  profileCase.ops = std::move(ops);
  profileCase.sections = {u"s", u"t"};
  profileCase.keys = {u"a", u"b", u"c"};
  return profileCase;
}

bool HasLine(const ProfileCase& profileCase, const std::u16string& line) {
  const auto& lines = profileCase.file.lines;
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool HasWrite(const ProfileCase& profileCase, const std::u16string& key) {
  return std::any_of(profileCase.ops.begin(), profileCase.ops.end(),
                     [&](const ProfileOp& op) { return op.key == key; });
}

TEST(ProfileCaseShrinker, KeepsOnlyTheCallsAndLinesTheFailureNeeds) {
  const ProfileCase failing = Case({u"[s]\r\n", u"a=1\r\n", u"b=2\r\n", u"c=3\r\n"},
                                   {Write(u"a"), Write(u"b"), Write(u"c"), Write(u"d")});
  // Fails while the file holds "b=2" and the case writes "c"; the detail
  // tells how many calls the candidate had, to show `last` is the final run.
  const FailsAlike failsAlike = [](const ProfileCase& candidate) -> std::optional<Mismatch> {
    if (!HasLine(candidate, u"b=2\r\n") || !HasWrite(candidate, u"c")) return std::nullopt;
    return Mismatch{"call WriteString", u"s", u"c",
                    std::to_string(candidate.ops.size()) + " calls"};
  };
  const Mismatch first{"call WriteString", u"s", u"c", "4 calls"};
  Mismatch last;
  const ProfileCase minimal = ShrinkCase(failing, first, failsAlike, last);

  EXPECT_EQ(minimal.file.lines, std::vector<std::u16string>{u"b=2\r\n"});
  ASSERT_EQ(minimal.ops.size(), 1u);
  EXPECT_EQ(minimal.ops[0].key, u"c");
  EXPECT_EQ(last.detail, "1 calls");
  // A mismatch during the calls needs no read-back.
  EXPECT_TRUE(minimal.sections.empty());
  EXPECT_TRUE(minimal.keys.empty());
}

TEST(ProfileCaseShrinker, ReadBackMismatchKeepsItsOwnNameOnly) {
  const ProfileCase failing = Case({u"[s]\r\n", u"b=2\r\n"}, {Write(u"a")});
  const FailsAlike failsAlike = [](const ProfileCase& candidate) -> std::optional<Mismatch> {
    if (!HasLine(candidate, u"b=2\r\n")) return std::nullopt;
    return Mismatch{"read back our file ReadInt", u"s", u"b", "differs"};
  };
  Mismatch last;
  const ProfileCase minimal =
      ShrinkCase(failing, {"read back our file ReadInt", u"s", u"b", "differs"}, failsAlike, last);
  EXPECT_EQ(minimal.sections, std::vector<std::u16string>{u"s"});
  EXPECT_EQ(minimal.keys, std::vector<std::u16string>{u"b"});
  EXPECT_TRUE(minimal.ops.empty());
  EXPECT_EQ(minimal.file.lines, std::vector<std::u16string>{u"b=2\r\n"});
}

TEST(ProfileCaseShrinker, StopsWhereNothingCanBeCutAndWhenTheBudgetIsSpent) {
  const ProfileCase failing = Case({u"[s]\r\n", u"a=1\r\n"}, {Write(u"a"), Write(u"b")});
  const FailsAlike never = [](const ProfileCase&) -> std::optional<Mismatch> {
    return std::nullopt;
  };
  const Mismatch mismatch{"file existence", {}, {}, "first run"};
  Mismatch last;
  const ProfileCase same = ShrinkCase(failing, mismatch, never, last);
  EXPECT_EQ(same.ops.size(), 2u);
  EXPECT_EQ(same.file.lines.size(), 2u);
  EXPECT_EQ(same.sections.size(), 2u) << "a file mismatch keeps every name read back";
  EXPECT_EQ(last.detail, "first run");

  // A failure that every candidate shows, in a case too long to cut down
  // within the budget of runs: cut as far as the budget goes.
  const std::vector<std::u16string> lines(300, u"x=1\r\n");
  const std::vector<ProfileOp> ops(300, Write(u"a"));
  int runs = 0;
  const FailsAlike always = [&](const ProfileCase&) -> std::optional<Mismatch> {
    ++runs;
    return mismatch;
  };
  const ProfileCase cut = ShrinkCase(Case(lines, ops), mismatch, always, last);
  EXPECT_LE(runs, 401);
  EXPECT_TRUE(cut.ops.empty());
  EXPECT_LT(cut.file.lines.size(), lines.size());
}

}  // namespace
}  // namespace lt260::wine
