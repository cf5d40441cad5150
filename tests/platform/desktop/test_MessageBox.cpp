#include "platform/desktop/MessageBox.h"

#include <QList>
#include <gtest/gtest.h>

TEST(MessageBox, HandlerSeesEveryBoxAndAnswersIt)
{
    QList<TMessage> seen;
    TMessageHandler previous = TMessageBox::SetHandler([&](const TMessage &m) {
        seen.append(m);
        return TMsgResult::Yes;
    });
    const TMsgResult result = TMessageBox::Show("Delete?", "Info", TMsgIcon::Question, TMsgButtons::YesNo);
    TMessageBox::SetHandler(previous);

    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].Text, "Delete?");
    EXPECT_EQ(seen[0].Caption, "Info");
    EXPECT_EQ(seen[0].Icon, TMsgIcon::Question);
    EXPECT_EQ(result, TMsgResult::Yes);
}

TEST(MessageBox, WithoutHandlerAQuestionIsAnsweredWithWhatChangesNothing)
{
    TMessageHandler previous = TMessageBox::SetHandler(nullptr);
    EXPECT_EQ(TMessageBox::Show("Delete?", "Info", TMsgIcon::Question, TMsgButtons::YesNo), TMsgResult::No);
    EXPECT_EQ(TMessageBox::Show("Save?", "Info", TMsgIcon::Question, TMsgButtons::YesNoCancel),
              TMsgResult::Cancel);
    EXPECT_EQ(TMessageBox::Show("Go?", "Info", TMsgIcon::Question, TMsgButtons::OkCancel),
              TMsgResult::Cancel);
    TMessageBox::SetHandler(previous);
}

TEST(MessageBox, WithoutHandlerTheTextIsPrintedAfterACaption)
{
    TMessageHandler previous = TMessageBox::SetHandler(nullptr);
    testing::internal::CaptureStderr();
    TMessageBox::Show("Saved", "Info");
    TMessageBox::Show("BitComet.xml: line 1", "", TMsgIcon::Error);
    const std::string printed = testing::internal::GetCapturedStderr();
    TMessageBox::SetHandler(previous);
    EXPECT_EQ(printed, "Info: Saved\nBitComet.xml: line 1\n");
}
