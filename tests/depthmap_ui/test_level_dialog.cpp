// The "Set Level" dialog with typed text and clicks on its buttons: the
// step buttons wrap around, OK takes only levels from 0 to 255.

#include "QtTestApp.h"

#include "depthmap_ui/TLevelDialog.h"
#include "depthmap_ui/UiMessageBox.h"

#include "platform/Window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using depthmap_ui::TLevelDialog;

namespace {

class LevelDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        previous_ = depthmap_ui::SetUiMessageBoxProvider(
            [this](QWidget*, const QString& text, const QString& caption, unsigned style) {
                refusals.push_back(text.toStdString() + " | " + caption.toStdString());
                lastStyle = style;
                return platform::IDOK;
            });
        dialog = std::make_unique<TLevelDialog>(nullptr, &level);
        dialog->show();
    }
    void TearDown() override { depthmap_ui::SetUiMessageBoxProvider(previous_); }

    QAbstractButton* Button(const char* id) const { return dialog->findChild<QAbstractButton*>(QLatin1String(id)); }
    void Type(const QString& text)
    {
        dialog->Edit()->clear();
        QTest::keyClicks(dialog->Edit(), text);
    }
    void Click(const char* id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
    QString Shown() const { return dialog->Edit()->text(); }

    std::int32_t level = 40;
    std::unique_ptr<TLevelDialog> dialog;
    std::vector<std::string> refusals;
    unsigned lastStyle = 0;
    depthmap_ui::UiMessageBoxProvider previous_;
};

} // namespace

TEST_F(LevelDialogTest, StartsWithTheLevelAndTheRange)
{
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Set Level"));
    EXPECT_EQ(dialog->objectName(), QStringLiteral("LEVEL"));
    EXPECT_EQ(Shown(), QStringLiteral("40"));
    EXPECT_EQ(dialog->RangeText()->text(), QStringLiteral("[Range: 0-255]"));
    for (const char* id : {"1", "2", "311", "312"})
        EXPECT_NE(Button(id), nullptr) << id;
}

TEST_F(LevelDialogTest, TheStepButtonsWrapAround)
{
    Type(QStringLiteral("300"));
    Click("312");
    EXPECT_EQ(Shown(), QStringLiteral("0"));
    Type(QStringLiteral("300"));
    Click("311");
    EXPECT_EQ(Shown(), QStringLiteral("299"));
    Type(QStringLiteral("0"));
    Click("311");
    EXPECT_EQ(Shown(), QStringLiteral("255"));
    Click("312");
    EXPECT_EQ(Shown(), QStringLiteral("0"));
    Click("312");
    Click("312");
    EXPECT_EQ(Shown(), QStringLiteral("2"));
    Type(QStringLiteral("7 dwarfs"));
    Click("312");
    EXPECT_EQ(Shown(), QStringLiteral("8"));
    EXPECT_TRUE(refusals.empty());
    EXPECT_EQ(level, 40) << "steps do not write the level";
}

TEST_F(LevelDialogTest, OkRefusesLevelsOutsideTheRange)
{
    for (const char* text : {"299", "256", "-1", "99999999999999999"}) {
        Type(QString::fromLatin1(text));
        Click("1");
        EXPECT_TRUE(dialog->isVisible()) << text;
        EXPECT_EQ(level, 40) << text;
    }
    ASSERT_EQ(refusals.size(), 4u);
    EXPECT_EQ(refusals[0], "Level is not within accepted range | Note");
    EXPECT_EQ(lastStyle, platform::MB_OK | platform::MB_ICONSTOP);
}

TEST_F(LevelDialogTest, OkTakesTheNumberTheTextStartsWith)
{
    Type(QStringLiteral("12abc"));
    Click("1");
    EXPECT_EQ(level, 12);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);

    level = 40;
    dialog = std::make_unique<TLevelDialog>(nullptr, &level);
    dialog->show();
    Type(QString());
    QTest::keyClick(dialog->Edit(), Qt::Key_Return);
    EXPECT_EQ(level, 0) << "an empty field is 0";
}

TEST_F(LevelDialogTest, CancelWritesNothing)
{
    Type(QStringLiteral("100"));
    Click("2");
    EXPECT_EQ(level, 40);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}
