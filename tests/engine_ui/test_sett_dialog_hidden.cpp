// The settings dialog's "Hidden Surface" group, driven through its controls:
// filled from the record, read back on OK with silent corrections, left
// alone by Cancel, reset by "Restore Defaults".

#include "QtTestApp.h"

#include "engine/SirdsSettings.h"
#include "engine_ui/HiddenSurfaceGroup.h"
#include "engine_ui/TSettDialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

using namespace engine_ui;

namespace {

class HiddenGroupTest : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }
    static void Press(TSettDialog& dialog, QDialogButtonBox::StandardButton which)
    {
        dialog.findChild<QDialogButtonBox*>()->button(which)->click();
    }
};

} // namespace

TEST_F(HiddenGroupTest, ShowsTheRecordAndTheFourthMethod)
{
    engine::SirdsSettings s;
    s.ShiftDir = engine::HiddenSurface;
    s.hidden.Oversample = 6;
    s.hidden.DepthOfField = 0.25;
    s.hidden.Dpi = 300;
    s.hidden.EyeSepMm = 63.5;
    s.hidden.CrossEyed = 1;
    s.hidden.RandomDots = engine::GreyDots;
    s.hidden.Seed = 77;
    TSettDialog dialog(nullptr, &s);
    HiddenSurfaceGroup* g = dialog.HiddenGroup();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->title(), QString("Hidden Surface"));
    EXPECT_EQ(dialog.ScanList()->currentText(), QString("Hidden Surface"));
    EXPECT_EQ(g->Oversample()->value(), 6);
    EXPECT_EQ(g->DepthOfField()->text(), QString("0.25"));
    EXPECT_TRUE(g->ForPrint()->isChecked());
    EXPECT_EQ(g->Dpi()->text(), QString("300"));
    EXPECT_EQ(g->EyeSepMm()->text(), QString("63.5"));
    EXPECT_TRUE(g->CrossEyed()->isChecked());
    EXPECT_EQ(g->Dots()->currentText(), QString("Random grey"));
    EXPECT_EQ(g->Seed()->text(), QString("77"));

    // OK without a change keeps the record exactly, 1/3 included.
    engine::SirdsSettings before = s;
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(s, before);
    engine::SirdsSettings third;
    TSettDialog plain(nullptr, &third);
    EXPECT_EQ(plain.HiddenGroup()->DepthOfField()->text(), QString("0.3333"));
    EXPECT_FALSE(plain.HiddenGroup()->Dpi()->isEnabled());
    Press(plain, QDialogButtonBox::Ok);
    EXPECT_EQ(third, engine::SirdsSettings{});
}

TEST_F(HiddenGroupTest, OkCorrectsSilentlyAndCancelKeepsTheRecord)
{
    engine::SirdsSettings s;
    {
        TSettDialog dialog(nullptr, &s);
        HiddenSurfaceGroup* g = dialog.HiddenGroup();
        g->Oversample()->setValue(2);
        g->DepthOfField()->setText("0,45");
        g->ForPrint()->setChecked(true);
        g->Dpi()->setText("600");
        g->EyeSepMm()->setText("500"); // beyond 200 mm: back to twice the gap
        g->Dots()->setCurrentIndex(1);
        g->Seed()->setText("-9");
        Press(dialog, QDialogButtonBox::Ok);
    }
    EXPECT_EQ(s.hidden.Oversample, 2);
    EXPECT_DOUBLE_EQ(s.hidden.DepthOfField, 0.45);
    EXPECT_EQ(s.hidden.Dpi, 0);
    EXPECT_EQ(s.hidden.EyeSepMm, 0);
    EXPECT_EQ(s.hidden.RandomDots, engine::ColourDots);
    EXPECT_EQ(s.hidden.Seed, -9);
    {
        TSettDialog dialog(nullptr, &s);
        HiddenSurfaceGroup* g = dialog.HiddenGroup();
        g->DepthOfField()->setText("0.9");
        g->Seed()->setText("abc");
        g->ForPrint()->setChecked(true);
        g->Dpi()->setText("300");
        g->EyeSepMm()->setText("65");
        Press(dialog, QDialogButtonBox::Ok);
    }
    EXPECT_DOUBLE_EQ(s.hidden.DepthOfField, 1.0 / 3.0);
    EXPECT_EQ(s.hidden.Seed, 1);
    EXPECT_EQ(s.hidden.Dpi, 300);
    EXPECT_DOUBLE_EQ(s.hidden.EyeSepMm, 65.0);

    const engine::SirdsSettings before = s;
    {
        TSettDialog dialog(nullptr, &s);
        dialog.HiddenGroup()->Oversample()->setValue(8);
        dialog.HiddenGroup()->CrossEyed()->setChecked(true);
        Press(dialog, QDialogButtonBox::Cancel);
    }
    EXPECT_EQ(s, before);
}

TEST_F(HiddenGroupTest, RestoreDefaultsResetsTheGroupToo)
{
    engine::SirdsSettings s;
    s.hidden.Oversample = 1;
    s.hidden.CrossEyed = 1;
    TSettDialog dialog(nullptr, &s);
    dialog.Button(106)->click();
    EXPECT_EQ(s.hidden, engine::HiddenSurfaceSettings{});
    EXPECT_EQ(dialog.HiddenGroup()->Oversample()->value(), 4);
    EXPECT_FALSE(dialog.HiddenGroup()->CrossEyed()->isChecked());
    // With the box checked the controls are not read.
    dialog.HiddenGroup()->Oversample()->setValue(7);
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(s.hidden.Oversample, 4);
}

TEST_F(HiddenGroupTest, FreshFillIsOfferedForTheClassicMethodsAndReachesTheRecord)
{
    // Every method with the box found on and off: shown as recorded, enabled
    // only where the method has a choice, and flipped by OK into the record
    // (the hidden-surface method keeps what was recorded, its box untouched).
    for (int method = engine::LeftToRight; method <= engine::HiddenSurface; ++method) {
        for (int recorded : {0, 1}) {
            engine::SirdsSettings s;
            s.ShiftDir = method;
            s.hidden.FreshFill = recorded;
            TSettDialog dialog(nullptr, &s);
            QCheckBox* box = dialog.FreshFill();
            ASSERT_TRUE(box);
            EXPECT_EQ(box->isChecked(), recorded != 0) << "method " << method;
            const bool classic = method != engine::HiddenSurface;
            EXPECT_EQ(box->isEnabled(), classic) << "method " << method;
            if (classic)
                box->click();
            Press(dialog, QDialogButtonBox::Ok);
            EXPECT_EQ(s.hidden.FreshFill, classic ? 1 - recorded : recorded) << "method " << method;
        }
    }
}
