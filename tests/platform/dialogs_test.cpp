#include "platform/dialogs.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QPushButton>

#include <thread>

using namespace vistrel::platform;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

class Dialogs : public testing::Test {
 protected:
  void SetUp() override {
    service().SetUnattended(std::nullopt);
    service().ClearHistory();
  }
  void TearDown() override { service().SetUnattended(std::nullopt); }
  static DialogService &service() { return DialogService::Instance(); }
};

}  // namespace

TEST_F(Dialogs, UnattendedAnswerFitsTheButtonsOffered) {
  struct Case {
    DlgAnswer preset;
    DlgButtons buttons;
    DlgAnswer expected;
  } cases[] = {
      {DlgAnswer::Yes, DlgButtons::YesNo, DlgAnswer::Yes},     {DlgAnswer::No, DlgButtons::YesNo, DlgAnswer::No},
      {DlgAnswer::All, DlgButtons::YesNo, DlgAnswer::Yes},     {DlgAnswer::All, DlgButtons::YesNoAll, DlgAnswer::All},
      {DlgAnswer::Yes, DlgButtons::YesNoAll, DlgAnswer::Yes},  {DlgAnswer::No, DlgButtons::Ok, DlgAnswer::Ok},
      {DlgAnswer::All, DlgButtons::Ok, DlgAnswer::Ok},
  };
  for (const Case &c : cases) {
    service().SetUnattended(c.preset);
    EXPECT_EQ(service().Ask(DlgKind::Confirmation, "q", c.buttons), c.expected)
        << int(c.preset) << " on " << int(c.buttons);
  }
}

TEST_F(Dialogs, EachQuestionIsLoggedOnOneLineWithoutMarkup) {
  service().SetUnattended(DlgAnswer::Yes);
  CaptureStderr();
  service().Ask(DlgKind::Warning, "The file <B>a.avi</B> exists.<BR>Overwrite it?", DlgButtons::YesNoAll);
  service().Warning("Disk <COLOR RED>full</COLOR>");
  service().Error("Cannot<BR CENTER>write");
  service().Information("Done");
  EXPECT_EQ(GetCapturedStderr(),
            "vistrel: question: The file a.avi exists. Overwrite it? -> yes\n"
            "vistrel: warning: Disk full\n"
            "vistrel: error: Cannot write\n"
            "vistrel: information: Done\n");
  // The history keeps the texts as they were asked, markup included.
  EXPECT_EQ(service().History(), QStringList({"The file <B>a.avi</B> exists.<BR>Overwrite it?", "Disk <COLOR RED>full</COLOR>",
                                              "Cannot<BR CENTER>write", "Done"}));
}

TEST_F(Dialogs, WithoutAnyoneToAnswerTheAnswerIsNo) {
  // The test platform is offscreen: no box could ever be clicked.
  ASSERT_FALSE(service().Unattended().has_value());
  CaptureStderr();
  EXPECT_EQ(service().Ask(DlgKind::Confirmation, "Continue?", DlgButtons::YesNo), DlgAnswer::No);
  EXPECT_EQ(GetCapturedStderr(), "vistrel: question: Continue? -> no\n");
}

TEST_F(Dialogs, QuestionsFromOtherThreadsNeverWaitForTheUi) {
  service().SetUnattended(std::nullopt);
  DlgAnswer answer = DlgAnswer::None;
  CaptureStderr();
  std::thread worker([&] { answer = service().Ask(DlgKind::Confirmation, "From a worker", DlgButtons::YesNo); });
  worker.join();
  GetCapturedStderr();
  EXPECT_EQ(answer, DlgAnswer::No);
}

TEST(DialogMarkup, PlainTextFollowsTheLabelsFirstPass) {
  EXPECT_EQ(DialogService::PlainText("<B>bold</B> plain words"), "bold plain words");
  EXPECT_EQ(DialogService::PlainText("a<br center>b<BR>c<Br LEFT>d"), "a\nb\nc\nd");
  EXPECT_EQ(DialogService::PlainText("x<UNKNOWN tag>y"), "xy");
  EXPECT_EQ(DialogService::PlainText("<BRIGHT>no break"), "no break");
  EXPECT_EQ(DialogService::PlainText("a<B<c>d"), "a<d");
  EXPECT_EQ(DialogService::PlainText("open <B tag at end"), "open ");
  EXPECT_EQ(DialogService::PlainText(""), "");
}

TEST(MessageBox, ButtonsGiveTheirAnswers) {
  {
    auto box = MakeMessageBox(DlgKind::Warning, "Overwrite?", false, DlgButtons::YesNoAll, nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    ASSERT_EQ(box->buttons().size(), 3);
    EXPECT_EQ(AnswerOfBox(*box), DlgAnswer::None);
    QAbstractButton *all = nullptr;
    for (QAbstractButton *b : box->buttons())
      if (b->text() == "All") all = b;
    ASSERT_NE(all, nullptr);
    all->click();
    EXPECT_EQ(AnswerOfBox(*box), DlgAnswer::All);
  }
  {
    auto box = MakeMessageBox(DlgKind::Confirmation, "Go?", false, DlgButtons::YesNo, nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->buttons().size(), 2);
    box->button(QMessageBox::No)->click();
    EXPECT_EQ(AnswerOfBox(*box), DlgAnswer::No);
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::No));
  }
  {
    auto box = MakeMessageBox(DlgKind::Error, "<b>x</b>", true, DlgButtons::Ok, nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->textFormat(), Qt::RichText);
    box->button(QMessageBox::Ok)->click();
    EXPECT_EQ(AnswerOfBox(*box), DlgAnswer::Ok);
  }
}
