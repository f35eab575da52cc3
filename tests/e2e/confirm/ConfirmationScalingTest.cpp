// The question at every display scale, in the language the test program runs in (built twice:
// English, and Japanese with LANG=ja_JP.UTF-8): the prefix's DPI set before the program starts,
// and a DPI change sent to the open question.
#include "ConfirmationTestSupport.h"

#include "support/Scaling.h"

using namespace confirm_e2e;
using e2e::Confirmation;
using e2e::InstallFolder;

namespace {

COLORREF const kTitleColour = RGB(112, 226, 255);
COLORREF const kTextColour = RGB(210, 210, 210);
COLORREF const kWhite = RGB(255, 255, 255);

// Rooms end where the next part begins; the searched areas reach past them on the open sides.
e2e::PaintedText const kTexts[] = {
    {"title", kTitleColour, {23, 20, 223, 46}, {9, 9, 528, 46}},
    {"message", kTextColour, {200, 68, 524, 150}, {196, 60, 528, 150}},
    {"do-not-show label", kTextColour, {224, 150, 524, 188}, {218, 150, 528, 188}},
    {"OK caption", kWhite, {279, 198, 398, 228}, {279, 198, 398, 228}},
    {"Cancel caption", kWhite, {400, 198, 519, 228}, {400, 198, 519, 228}},
};
e2e::ScaledWindowSpec const kQuestion = {L"confirmation-scale", {kDialogWidth, kDialogHeight}, {9, 8, 529, 237},
                                         kTexts, ARRAYSIZE(kTexts)};

class ConfirmationScaling : public ConfirmationTest {
protected:
    void SetUp() override {
#ifdef RUNS_IN_JAPANESE
        ASSERT_EQ(0x0411, GetUserDefaultUILanguage()) << "run with LANG=ja_JP.UTF-8";
#endif
        e2e::SeePhysicalPixels();
        ConfirmationTest::SetUp();
    }
    // Ends the question with Escape, as a user would.
    static void Answer(Confirmation& confirmation) {
        e2e::PressKeys({VK_ESCAPE});
        EXPECT_TRUE(confirmation.Proc().WaitForExit(10000));
    }
};

}  // namespace

TEST_F(ConfirmationScaling, EveryScaleIsTheQuestionTimesTheScale) {
    InstallFolder install;
    RECT titleAtDefault = {};
    for (const e2e::ScaleCase& scale : e2e::kScales) {
        SCOPED_TRACE(testing::Message() << "LogPixels " << scale.dpi);
        e2e::DisplayScaling scaling(scale.dpi);
        Confirmation confirmation;
        ASSERT_TRUE(confirmation.Start(install, L"/sleep:hybrid"));
        Sleep(300);  // the shadow and the check box have painted
        RECT title = e2e::ExpectWindowAtScale(confirmation.Window(), kQuestion, scale.dpi, scale.name);
        if (scale.dpi == 96)
            titleAtDefault = title;
        else
            e2e::ExpectInkScaled(titleAtDefault, title, scale.dpi);
        Answer(confirmation);
    }
}

// Windows tells a window that moved to a monitor of another DPI; Wine moves none, so the test tells it.
TEST_F(ConfirmationScaling, ADpiChangeLaysTheQuestionOutAgain) {
    InstallFolder install;
    Confirmation confirmation;
    ASSERT_TRUE(confirmation.Start(install, L"/sleep:hybrid"));
    Sleep(300);
    e2e::ExpectDpiChangeFollowed(confirmation.Window(), confirmation.Proc().Id(), kQuestion);
    Answer(confirmation);
}
