// The game's own dialogs driven through the native program's dialog state:
// the templates' texts, what the behaviour sets, and entries that are too
// long for the form or for the entry field.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "FakeNet.h"
#include "app/App.h"
#include "net/Counter.h"
#include "net/Windows1252.h"
#include "frontends/headless/HeadlessPlatform.h"
#include "frontends/sdl/DialogState.h"
#include "ui/Dialogs.h"
#include "ui/SignInDialog.h"

namespace vilmar::sdl {
namespace {

std::string repeat(std::string_view piece, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += piece;
  return s;
}

void type(DialogState& state, int id, const std::string& text) {
  DialogState::EditBuffer* buffer = state.edit(id);
  ASSERT_NE(buffer, nullptr);
  ASSERT_LT(text.size(), buffer->size());
  buffer->fill('\0');
  std::memcpy(buffer->data(), text.data(), text.size());
}

TEST(DialogTemplates, ButtonsAndCaptionsAreTheGamesOwn) {
  DialogState question(dialogTemplate(DIALOG_QUESTION));
  EXPECT_EQ(question.text(ID_OK), "Ja");
  EXPECT_EQ(question.text(ID_CANCEL), "Nej");
  EXPECT_TRUE(question.layout().closeBox);

  DialogState signIn(dialogTemplate(DIALOG_SIGN_IN));
  EXPECT_EQ(signIn.caption(), "Anmäl din high-score");
  EXPECT_EQ(signIn.text(ID_OK), "OK");
  EXPECT_EQ(signIn.text(ID_CANCEL), "Avbryt");
  EXPECT_EQ(signIn.text(ID_NEW_USER), "Ny användare");
  EXPECT_NE(signIn.edit(ID_EMAIL), nullptr);
  EXPECT_NE(signIn.edit(ID_PASSWORD), nullptr);
  EXPECT_EQ(signIn.edit(ID_TEXT), nullptr);

  const DialogTemplate& info = dialogTemplate(DIALOG_INFO);
  EXPECT_EQ(info.caption, "Information");
  EXPECT_FALSE(info.closeBox);  // OK is the only way out
  EXPECT_EQ(&dialogTemplate(4711), &info);
}

TEST(DialogState, TheQuestionAndTheInformationShowWhatTheGameSets) {
  HeadlessPlatform platform;
  App app(platform);
  DialogState question(dialogTemplate(DIALOG_QUESTION));
  QuestionDialog ask;
  ask.init(question);
  EXPECT_EQ(question.caption(), "Registrera");
  EXPECT_EQ(question.text(ID_TEXT), "Vill du skicka din highscore till Internet?");
  ask.command(ID_OK, question);
  EXPECT_TRUE(question.ended());
  EXPECT_TRUE(ask.accepted());

  DialogState info(dialogTemplate(DIALOG_INFO));
  InfoDialog rules(1);
  rules.init(info);
  EXPECT_EQ(info.text(ID_TEXT).substr(0, 15), "TÄVLINGSREGLER");
  rules.command(ID_CANCEL, info);  // Escape
  EXPECT_FALSE(info.ended());
  EXPECT_FALSE(rules.confirmed());
  rules.command(ID_OK, info);
  EXPECT_TRUE(info.ended());
  EXPECT_TRUE(rules.confirmed());
}

class SignInThroughState : public ::testing::Test {
 protected:
  test::FakeNetPlatform platform;
  ScoreSubmission record;
  Counter bestScore;
  SignInDialog dialog{platform, record, SignInScores{bestScore, 1000, false}, [] {},
                      ServiceEndpoint{"kortix.example", 80}};
  DialogState state{dialogTemplate(DIALOG_SIGN_IN)};

  void SetUp() override {
    Counter::tamperFlag() = false;
    bestScore.set(1450);
  }
};

TEST_F(SignInThroughState, OpensWithTheScoreInTheCaptionAndTheRememberedEntries) {
  record.email.assign("vilmar@example.se");
  record.password.assign("hemligt");
  dialog.init(state);
  EXPECT_EQ(state.caption(), "Registrera din poäng (1450)");
  EXPECT_STREQ(state.edit(ID_EMAIL)->data(), "vilmar@example.se");
  EXPECT_STREQ(state.edit(ID_PASSWORD)->data(), "hemligt");
}

TEST_F(SignInThroughState, LongEntriesAreHandedOverCutByCharactersNotBytes) {
  dialog.init(state);
  type(state, ID_EMAIL, repeat("å", 70));  // 140 bytes
  type(state, ID_PASSWORD, "lösen" + repeat("ö", 15));
  EXPECT_EQ(state.itemText(ID_EMAIL, 64), repeat("å", 64));
  EXPECT_EQ(state.itemText(ID_PASSWORD, 16), "lösen" + repeat("ö", 11));
  EXPECT_EQ(state.itemText(ID_EMAIL, 0), "");
  // The record holds what the form carries: 64 characters, one byte each.
  dialog.command(ID_OK, state);
  EXPECT_EQ(record.email.view(), std::string(64, '\xE5'));
}

TEST_F(SignInThroughState, AnEmptyEntryLeavesTheDialogAsItWas) {
  dialog.init(state);
  type(state, ID_EMAIL, "vilmar@example.se");
  dialog.command(ID_OK, state);
  EXPECT_FALSE(state.ended());
  EXPECT_EQ(state.text(ID_OK), "OK");
  EXPECT_TRUE(platform.transport.steps.empty());
}

TEST(DialogState, AnEntryTooLongForTheFieldIsCutAtACharactersStart) {
  DialogState state(dialogTemplate(DIALOG_SIGN_IN));
  state.setItemText(ID_EMAIL, repeat("ä", 200));  // 400 bytes
  const std::string_view kept(state.edit(ID_EMAIL)->data());
  EXPECT_LT(kept.size(), DialogState::EDIT_BYTES);
  EXPECT_EQ(kept, repeat("ä", 128));
  EXPECT_EQ(utf8Length(kept), 128u);

  state.setItemText(ID_PASSWORD, "x" + repeat("ä", 200));  // odd: the cut falls inside a character
  const std::string_view odd(state.edit(ID_PASSWORD)->data());
  EXPECT_EQ(odd, "x" + repeat("ä", 127));
  // Shorter text replaces longer completely.
  state.setItemText(ID_PASSWORD, "kort");
  EXPECT_STREQ(state.edit(ID_PASSWORD)->data(), "kort");
}

}  // namespace
}  // namespace vilmar::sdl
