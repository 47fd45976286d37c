// The keys of an open dialog as the player meets them: what has the focus
// after Tab and Shift+Tab, which button Enter and Space press, and that the
// question's "Nej" is what Enter answers once the player moved to it.

#include <gtest/gtest.h>

#include "platform/Dialog.h"
#include "ui/DialogFocus.h"

namespace vilmar {
namespace {

DialogFocus signIn() {
  return DialogFocus({{ID_EMAIL, StopKind::Entry},
                      {ID_PASSWORD, StopKind::Entry},
                      {ID_OK, StopKind::Button},
                      {ID_CANCEL, StopKind::Button},
                      {ID_NEW_USER, StopKind::Button}},
                     ID_OK);
}

TEST(DialogFocus, TabAndShiftTabVisitEveryControlRoundAndRound) {
  DialogFocus f = signIn();
  std::vector<int> seen{f.focused()};
  for (int i = 0; i < 5; ++i) {
    EXPECT_FALSE(f.key(DialogKey::Tab));
    seen.push_back(f.focused());
  }
  EXPECT_EQ(seen, (std::vector<int>{ID_EMAIL, ID_PASSWORD, ID_OK, ID_CANCEL, ID_NEW_USER, ID_EMAIL}));
  EXPECT_FALSE(f.key(DialogKey::BackTab));
  EXPECT_EQ(f.focused(), ID_NEW_USER);
  EXPECT_FALSE(f.key(DialogKey::BackTab));
  EXPECT_EQ(f.focused(), ID_CANCEL);
}

TEST(DialogFocus, EnterPressesTheFocusedButtonOrFromAnEntryTheDefault) {
  DialogFocus f = signIn();
  EXPECT_EQ(f.defaultButton(), ID_OK);
  EXPECT_EQ(f.key(DialogKey::Enter), ID_OK);  // from the address
  EXPECT_EQ(f.focused(), ID_EMAIL);           // and the entry keeps the focus
  EXPECT_EQ(f.key(DialogKey::Space), std::nullopt);  // Space is typed into the entry
  ASSERT_TRUE(f.focus(ID_NEW_USER));
  EXPECT_EQ(f.defaultButton(), ID_NEW_USER);  // the focused button wears the default frame
  EXPECT_EQ(f.key(DialogKey::Enter), ID_NEW_USER);
  EXPECT_EQ(f.key(DialogKey::Space), ID_NEW_USER);
  EXPECT_EQ(f.key(DialogKey::Escape), ID_CANCEL);
  ASSERT_TRUE(f.focus(ID_PASSWORD));
  EXPECT_EQ(f.defaultButton(), ID_OK);
  EXPECT_FALSE(f.focus(ID_TEXT));  // no such control: the focus stays
  EXPECT_EQ(f.focused(), ID_PASSWORD);
}

TEST(DialogFocus, TheQuestionAnswersWhatTheFocusIsOn) {
  DialogFocus f({{ID_OK, StopKind::Button}, {ID_CANCEL, StopKind::Button}}, ID_OK);
  EXPECT_EQ(f.focused(), ID_OK);
  f.key(DialogKey::Tab);
  EXPECT_EQ(f.key(DialogKey::Enter), ID_CANCEL);  // "Nej", not "Ja"
  // The arrows go round the buttons.
  f.key(DialogKey::Right);
  EXPECT_EQ(f.focused(), ID_OK);
  f.key(DialogKey::Left);
  EXPECT_EQ(f.focused(), ID_CANCEL);
}

TEST(DialogFocus, ArrowsInAnEntryOrTheTextLeaveTheFocusAndOnlyButtonsAreStepped) {
  DialogFocus info({{ID_TEXT, StopKind::Text}, {ID_OK, StopKind::Button}}, ID_OK);
  info.key(DialogKey::Down);
  EXPECT_EQ(info.focused(), ID_TEXT);  // the text scrolls instead
  EXPECT_EQ(info.key(DialogKey::Space), std::nullopt);
  EXPECT_EQ(info.key(DialogKey::Enter), ID_OK);
  DialogFocus f = signIn();
  ASSERT_TRUE(f.focus(ID_NEW_USER));
  f.key(DialogKey::Down);
  EXPECT_EQ(f.focused(), ID_OK);  // past the entries, round to the first button
  DialogFocus none({}, ID_OK);
  EXPECT_EQ(none.focused(), 0);
  EXPECT_EQ(none.key(DialogKey::Tab), std::nullopt);
  EXPECT_EQ(none.key(DialogKey::Enter), ID_OK);
}

}  // namespace
}  // namespace vilmar
