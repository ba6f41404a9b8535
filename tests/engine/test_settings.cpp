// The settings dialog's reading and correcting rules, Restore Defaults, and
// the command line's refusals.

#include "engine/SirdsSettings.h"

#include <gtest/gtest.h>

using namespace engine;

namespace {

// The dialog as it opens on the default record, with the given edits.
SettingsDialogState edited(void (*edit)(SettingsDialogState&))
{
    SettingsDialogState state = dialogStateFrom(SirdsSettings{});
    edit(state);
    return state;
}

SirdsSettings okOn(const SettingsDialogState& state, SirdsSettings start = {})
{
    applyDialogState(state, start);
    return start;
}

} // namespace

TEST(DialogInteger, ReadsLikeTheDialog)
{
    EXPECT_EQ(readDialogInteger("123"), 123);
    EXPECT_EQ(readDialogInteger("   -45"), -45);
    EXPECT_EQ(readDialogInteger("\t+7"), 7);
    EXPECT_EQ(readDialogInteger("12abc"), 12);
    EXPECT_EQ(readDialogInteger("12 34"), 12);
    EXPECT_EQ(readDialogInteger(""), 0);
    EXPECT_EQ(readDialogInteger("abc"), 0);
    EXPECT_EQ(readDialogInteger("-"), 0);
    EXPECT_EQ(readDialogInteger("- 5"), 0);
    EXPECT_EQ(readDialogInteger("1.9"), 1);
}

TEST(DialogInteger, OnlyTheFirstNineteenCharactersCount)
{
    // 18 blanks and then a digit: the digit is the 19th character.
    EXPECT_EQ(readDialogInteger(std::string(18, ' ') + "7"), 7);
    // The digit as the 20th character is never seen.
    EXPECT_EQ(readDialogInteger(std::string(19, ' ') + "7"), 0);
    // Nineteen characters of a number, the twentieth dropped.
    EXPECT_EQ(readDialogInteger("0000000000000000012" "3"), 12);
    EXPECT_EQ(readDialogInteger("-000000000000000012" "3"), -12);
}

TEST(DialogInteger, HugeNumbersSaturate)
{
    EXPECT_EQ(readDialogInteger("99999999999"), 2147483647);
    EXPECT_EQ(readDialogInteger("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(readDialogInteger("2147483647"), 2147483647);
    EXPECT_EQ(readDialogInteger("-2147483648"), -2147483647 - 1);
}

TEST(DialogOpening, FillsEveryControlFromTheRecord)
{
    SirdsSettings s;
    s.dx = -5;
    s.dy = 7;
    s.da = 30;
    s.zmin = 3;
    s.zmax = 40;
    s.w = 640;
    s.h = 480;
    s.gapValue = 120;
    s.DepthSel = ByBrightness;
    s.Marker = 0;
    s.UseBMP = 1;
    s.ShiftDir = Feucht;
    SettingsDialogState state = dialogStateFrom(s);
    EXPECT_EQ(state.dx, "-5");
    EXPECT_EQ(state.dy, "7");
    EXPECT_EQ(state.da, "30");
    EXPECT_EQ(state.zmin, "3");
    EXPECT_EQ(state.zmax, "40");
    EXPECT_EQ(state.width, "640");
    EXPECT_EQ(state.height, "480");
    EXPECT_EQ(state.gap, "120");
    EXPECT_FALSE(state.depthByColor);
    EXPECT_EQ(state.scanIndex, 2);
    EXPECT_FALSE(state.markers);
    EXPECT_TRUE(state.useOpenBitmap);
    EXPECT_FALSE(state.restoreDefaults);

    // Reading back what was shown changes nothing.
    EXPECT_EQ(okOn(state), s);
}

TEST(DialogOpening, ScanMethodOutsideTheListSelectsNothing)
{
    SirdsSettings s;
    s.ShiftDir = 7;
    EXPECT_EQ(dialogStateFrom(s).scanIndex, -1);
    s.ShiftDir = 0;
    EXPECT_EQ(dialogStateFrom(s).scanIndex, -1);
}

TEST(DialogOk, ZminAndZmaxAreSwappedWhenEnteredTheWrongWayRound)
{
    auto s = okOn(edited([](SettingsDialogState& st) {
        st.zmin = "50";
        st.zmax = "10";
    }));
    EXPECT_EQ(s.zmin, 10);
    EXPECT_EQ(s.zmax, 50);
    // No range check on either.
    s = okOn(edited([](SettingsDialogState& st) {
        st.zmin = "-900";
        st.zmax = "5000";
    }));
    EXPECT_EQ(s.zmin, -900);
    EXPECT_EQ(s.zmax, 5000);
}

TEST(DialogOk, GapOutsideItsRangeBecomes100)
{
    auto gap = [](const char* text) {
        SettingsDialogState st = dialogStateFrom(SirdsSettings{});
        st.gap = text;
        return okOn(st).gapValue;
    };
    EXPECT_EQ(gap("40"), 100);
    EXPECT_EQ(gap("50"), 100);
    EXPECT_EQ(gap("51"), 51);
    EXPECT_EQ(gap("150"), 150);
    EXPECT_EQ(gap("151"), 100);
    EXPECT_EQ(gap(""), 100);
}

TEST(DialogOk, WidthIsCheckedAgainstTheNewGap)
{
    auto width = [](const char* w, const char* gap) {
        SettingsDialogState st = dialogStateFrom(SirdsSettings{});
        st.width = w;
        st.gap = gap;
        return okOn(st).w;
    };
    EXPECT_EQ(width("150", "100"), 200);
    EXPECT_EQ(width("200", "100"), 200);
    EXPECT_EQ(width("201", "100"), 201);
    EXPECT_EQ(width("1300", "100"), 400);
    EXPECT_EQ(width("1200", "100"), 1200);
    EXPECT_EQ(width("250", "150"), 300);
    // A rejected gap is replaced first, then the width is held against 100.
    EXPECT_EQ(width("150", "20"), 200);
    EXPECT_EQ(width("-5", "60"), 120);
}

TEST(DialogOk, HeightOutsideItsRangeBecomes400)
{
    auto height = [](const char* text) {
        SettingsDialogState st = dialogStateFrom(SirdsSettings{});
        st.height = text;
        return okOn(st).h;
    };
    EXPECT_EQ(height("0"), 400);
    EXPECT_EQ(height(""), 400);
    EXPECT_EQ(height("1"), 1);
    EXPECT_EQ(height("1200"), 1200);
    EXPECT_EQ(height("1201"), 400);
}

TEST(DialogOk, DisplacementsOutsideTheirRangesBecomeZero)
{
    auto read = [](const char* dx, const char* dy, const char* da) {
        SettingsDialogState st = dialogStateFrom(SirdsSettings{});
        st.dx = dx;
        st.dy = dy;
        st.da = da;
        return okOn(st);
    };
    SirdsSettings s = read("-201", "201", "181");
    EXPECT_EQ(s.dx, 0);
    EXPECT_EQ(s.dy, 0);
    EXPECT_EQ(s.da, 0);
    s = read("-200", "200", "-180");
    EXPECT_EQ(s.dx, -200);
    EXPECT_EQ(s.dy, 200);
    EXPECT_EQ(s.da, -180);
    s = read("12", "-3", "180");
    EXPECT_EQ(s.dx, 12);
    EXPECT_EQ(s.dy, -3);
    EXPECT_EQ(s.da, 180);
    EXPECT_EQ(read("x", "x", "-181").da, 0);
}

TEST(DialogOk, ChoicesAreReadFromTheirControls)
{
    SettingsDialogState st = dialogStateFrom(SirdsSettings{});
    st.depthByColor = false;
    st.scanIndex = 0;
    st.markers = false;
    st.useOpenBitmap = true;
    SirdsSettings s = okOn(st);
    EXPECT_EQ(s.DepthSel, ByBrightness);
    EXPECT_EQ(s.ShiftDir, LeftToRight);
    EXPECT_EQ(s.Marker, 0);
    EXPECT_EQ(s.UseBMP, 1);
    // No list selection gives a scan method that leaves rows unshifted.
    st.scanIndex = -1;
    EXPECT_EQ(okOn(st).ShiftDir, 0);
}

TEST(RestoreDefaults, WritesTheDefaultsAtOnceAndKeepsUseBmp)
{
    SirdsSettings s;
    s.dx = 9;
    s.dy = 9;
    s.da = 9;
    s.zmin = 5;
    s.zmax = 6;
    s.w = 700;
    s.h = 800;
    s.gapValue = 60;
    s.DepthSel = ByBrightness;
    s.Marker = 0;
    s.UseBMP = 1;
    s.ShiftDir = Feucht;
    SettingsDialogState st = dialogStateFrom(s);
    onRestoreDefaultsClicked(true, s, st);

    SirdsSettings expected;
    expected.UseBMP = 1;
    EXPECT_EQ(s, expected);
    // The controls show the record again, Brightness unchecked, McMahon
    // selected, and the box stays checked.
    EXPECT_EQ(st.width, "400");
    EXPECT_EQ(st.gap, "100");
    EXPECT_EQ(st.zmax, "63");
    EXPECT_TRUE(st.depthByColor);
    EXPECT_EQ(st.scanIndex, 1);
    EXPECT_TRUE(st.markers);
    EXPECT_TRUE(st.useOpenBitmap);
    EXPECT_TRUE(st.restoreDefaults);
}

TEST(RestoreDefaults, OkThenIgnoresEditedControls)
{
    SirdsSettings s;
    s.w = 900;
    SettingsDialogState st = dialogStateFrom(s);
    onRestoreDefaultsClicked(true, s, st);
    st.width = "1000";
    st.gap = "77";
    st.markers = false;
    applyDialogState(st, s);
    EXPECT_EQ(s.w, 400);
    EXPECT_EQ(s.gapValue, 100);
    EXPECT_EQ(s.Marker, 1);
}

TEST(RestoreDefaults, CancelStillLeavesTheDefaults)
{
    SirdsSettings s;
    s.h = 1000;
    s.zmax = 200;
    SettingsDialogState st = dialogStateFrom(s);
    onRestoreDefaultsClicked(true, s, st);
    // Cancel reads nothing; the record already changed.
    EXPECT_EQ(s, SirdsSettings{});
}

TEST(RestoreDefaults, UncheckingDoesNothing)
{
    SirdsSettings s;
    s.w = 900;
    SettingsDialogState st = dialogStateFrom(s);
    st.width = "1000";
    st.restoreDefaults = true;
    onRestoreDefaultsClicked(false, s, st);
    EXPECT_EQ(s.w, 900);
    EXPECT_EQ(st.width, "1000");
    EXPECT_FALSE(st.restoreDefaults);
    // Once unchecked, OK reads the controls again.
    applyDialogState(st, s);
    EXPECT_EQ(s.w, 1000);
}

TEST(CommandLineCheck, AcceptsTheDefaultsAndTheRangeEnds)
{
    EXPECT_EQ(checkSettings(SirdsSettings{}), "");
    SirdsSettings s;
    s.gapValue = 150;
    s.w = 300;
    s.h = 1;
    s.dx = -200;
    s.dy = 200;
    s.da = -180;
    s.zmin = -5;
    s.zmax = -4;
    s.ShiftDir = Feucht;
    s.DepthSel = ByBrightness;
    s.Marker = 0;
    s.UseBMP = 1;
    EXPECT_EQ(checkSettings(s), "");
}

TEST(CommandLineCheck, NamesTheOptionAndItsRange)
{
    auto check = [](void (*change)(SirdsSettings&)) {
        SirdsSettings s;
        change(s);
        return checkSettings(s);
    };
    EXPECT_EQ(check([](SirdsSettings& s) { s.gapValue = 151; }), "--gap must be between 51 and 150");
    EXPECT_EQ(check([](SirdsSettings& s) { s.gapValue = 50; }), "--gap must be between 51 and 150");
    EXPECT_EQ(check([](SirdsSettings& s) { s.w = 199; }), "--width must be between 200 and 1200");
    EXPECT_EQ(check([](SirdsSettings& s) { s.w = 1201; }), "--width must be between 200 and 1200");
    EXPECT_EQ(check([](SirdsSettings& s) {
                  s.gapValue = 60;
                  s.w = 119;
              }),
              "--width must be between 120 and 1200");
    EXPECT_EQ(check([](SirdsSettings& s) { s.h = 0; }), "--height must be between 1 and 1200");
    EXPECT_EQ(check([](SirdsSettings& s) { s.dx = 201; }), "--dx must be between -200 and 200");
    EXPECT_EQ(check([](SirdsSettings& s) { s.dy = -201; }), "--dy must be between -200 and 200");
    EXPECT_EQ(check([](SirdsSettings& s) { s.da = 181; }), "--angle must be between -180 and 180");
    EXPECT_EQ(check([](SirdsSettings& s) { s.ShiftDir = 5; }), "--method must be between 1 and 4");
    EXPECT_EQ(check([](SirdsSettings& s) { s.DepthSel = 0; }), "--depth must be between 1 and 2");
    EXPECT_EQ(check([](SirdsSettings& s) { s.Marker = 2; }), "--markers must be between 0 and 1");
}

TEST(CommandLineCheck, RefusesAnEmptyOrReversedDepthRange)
{
    SirdsSettings s;
    s.zmin = 20;
    s.zmax = 20;
    EXPECT_EQ(checkSettings(s), "--zmin must be less than --zmax");
    s.zmin = 30;
    EXPECT_EQ(checkSettings(s), "--zmin must be less than --zmax");
}

TEST(CommandLineCheck, UsesTheCallersOptionNames)
{
    SirdsSettings s;
    s.gapValue = 10;
    SettingsOptionNames names;
    names.gapValue = "-g";
    EXPECT_EQ(checkSettings(s, names), "-g must be between 51 and 150");
}
