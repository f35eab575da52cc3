// The settings window at every display scale, in the language the test program runs in (built
// twice: English, and Japanese with LANG=ja_JP.UTF-8): the prefix's DPI set before the agent
// starts, and a DPI change sent to the open window.
#include "SettingsTestSupport.h"

#include "support/Scaling.h"

using e2e::InstallFolder;

namespace {

COLORREF const kTitleColour = RGB(112, 226, 255);
COLORREF const kTextColour = RGB(210, 210, 210);

// Rooms end where the next part begins; the searched areas reach past them on the open sides.
e2e::PaintedText const kTexts[] = {
    {"title", kTitleColour, {23, 20, 223, 46}, {9, 9, 528, 46}},
    {"enable label", kTextColour, {224, 58, 524, 91}, {218, 52, 528, 91}},
    {"tray label", kTextColour, {224, 91, 524, 124}, {218, 91, 528, 124}},
    {"heading", kTextColour, {224, 124, 524, 145}, {218, 124, 528, 145}},
    {"Redefine caption", kTextColour, {224, 145, 343, 169}, {224, 145, 343, 169}},
    {"OK caption", kTextColour, {279, 198, 398, 228}, {279, 198, 398, 228}},
    {"Cancel caption", kTextColour, {400, 198, 519, 228}, {400, 198, 519, 228}},
};
e2e::ScaledWindowSpec const kSettings = {L"settings-scale", {542, 251}, {9, 8, 529, 237}, kTexts, ARRAYSIZE(kTexts)};

class SettingsScaling : public settings_e2e::SettingsTest {
protected:
    void SetUp() override {
        e2e::SeePhysicalPixels();
        SettingsTest::SetUp();
    }
    // The window shown, painted with its shadow and check boxes; null when it did not show.
    HWND ShownWindow(const InstallFolder& install) {
        if (!StartAndShow(install))
            return nullptr;
        Sleep(300);
        return window_;
    }
};

}  // namespace

TEST_F(SettingsScaling, EveryScaleIsTheWindowTimesTheScale) {
    InstallFolder install;
    RECT titleAtDefault = {};
    for (const e2e::ScaleCase& scale : e2e::kScales) {
        SCOPED_TRACE(testing::Message() << "LogPixels " << scale.dpi);
        e2e::DisplayScaling scaling(scale.dpi);
        HWND window = ShownWindow(install);
        ASSERT_TRUE(window);
        RECT title = e2e::ExpectWindowAtScale(window, kSettings, scale.dpi, scale.name);
        if (scale.dpi == 96)
            titleAtDefault = title;
        else
            e2e::ExpectInkScaled(titleAtDefault, title, scale.dpi);
    }
}

// Windows tells a window that moved to a monitor of another DPI; Wine moves none, so the test tells it.
TEST_F(SettingsScaling, ADpiChangeLaysTheWindowOutAgain) {
    InstallFolder install;
    HWND window = ShownWindow(install);
    ASSERT_TRUE(window);
    e2e::ExpectDpiChangeFollowed(window, agent_.Proc().Id(), kSettings);
}
