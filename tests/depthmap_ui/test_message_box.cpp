// The message boxes every window shows when no provider answers them: the
// buttons and icon of the style, the answers, and a width that leaves the
// window manager room for the whole caption.

#include "QtTestApp.h"

#include "depthmap_ui/UiMessageBox.h"
#include "platform/Window.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace depthmap_ui;

namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }
};

QMessageBox::StandardButtons ButtonsOf(unsigned style)
{
    return MakeQtMessageBox(nullptr, QStringLiteral("text"), QStringLiteral("Caption"), style)->standardButtons();
}

} // namespace

TEST_F(MessageBoxTest, StyleGivesTheButtonsAndTheIcon)
{
    EXPECT_EQ(ButtonsOf(platform::MB_OK), QMessageBox::Ok);
    EXPECT_EQ(ButtonsOf(platform::MB_OKCANCEL), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(ButtonsOf(platform::MB_YESNO), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(ButtonsOf(platform::MB_YESNOCANCEL), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    auto box = MakeQtMessageBox(nullptr, QStringLiteral("Save\n x\n before closing?"), QStringLiteral("Confirm"),
                                platform::MB_YESNOCANCEL | platform::MB_ICONQUESTION);
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Confirm"));
    EXPECT_EQ(box->text(), QStringLiteral("Save\n x\n before closing?"));
    EXPECT_EQ(MakeQtMessageBox(nullptr, {}, {}, platform::MB_ICONSTOP)->icon(), QMessageBox::Critical);
    EXPECT_EQ(MakeQtMessageBox(nullptr, {}, {}, platform::MB_ICONEXCLAMATION)->icon(), QMessageBox::Warning);
    EXPECT_EQ(MakeQtMessageBox(nullptr, {}, {}, platform::MB_ICONINFORMATION)->icon(), QMessageBox::Information);
    EXPECT_EQ(MakeQtMessageBox(nullptr, {}, {}, platform::MB_OK)->icon(), QMessageBox::NoIcon);
}

TEST_F(MessageBoxTest, ShortTextStillLeavesRoomForTheCaption)
{
    // The graphics library's version box: a short text under a longer caption.
    const QString caption = QStringLiteral("Graphics Library");
    auto box = MakeQtMessageBox(nullptr, QStringLiteral("PICTRANS v2.0"), caption,
                                platform::MB_OK | platform::MB_ICONINFORMATION);
    QFont bold = box->font();
    bold.setBold(true);
    const int captionWidth = QFontMetrics(bold).horizontalAdvance(caption);
    box->show();
    EXPECT_GE(box->width(), captionWidth + 100);
    box->hide();
    // A long caption widens the box further.
    const QString longer = QStringLiteral("A Much Longer Caption Than Any Box Text Here");
    auto wide = MakeQtMessageBox(nullptr, QStringLiteral("x"), longer, platform::MB_OK);
    wide->show();
    EXPECT_GE(wide->width(), QFontMetrics(bold).horizontalAdvance(longer) + 100);
    wide->hide();
}

TEST_F(MessageBoxTest, AnswersComeBackAsPlatformIds)
{
    auto press = [](QMessageBox::StandardButton which) {
        QTimer::singleShot(0, [which] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                    box->button(which)->click();
        });
    };
    press(QMessageBox::No);
    EXPECT_EQ(ShowQtMessageBox(nullptr, QStringLiteral("q"), QStringLiteral("Confirm"), platform::MB_YESNOCANCEL),
              platform::IDNO);
    press(QMessageBox::Cancel);
    EXPECT_EQ(ShowQtMessageBox(nullptr, QStringLiteral("q"), QStringLiteral("Confirm"), platform::MB_YESNOCANCEL),
              platform::IDCANCEL);
    press(QMessageBox::Yes);
    EXPECT_EQ(ShowQtMessageBox(nullptr, QStringLiteral("q"), QStringLiteral("Confirm"), platform::MB_YESNO),
              platform::IDYES);
    press(QMessageBox::Ok);
    EXPECT_EQ(ShowQtMessageBox(nullptr, QStringLiteral("i"), QStringLiteral("Note"), platform::MB_OK), platform::IDOK);
}
