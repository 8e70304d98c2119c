#include "viewer/ViewGeometry.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using namespace zv;

TEST(ViewGeometry, ZoomStepsStayWithinTheirLimits) {
    EXPECT_EQ(ZoomIn(800), 800);
    EXPECT_EQ(ZoomOut(25), 25);
    EXPECT_EQ(ZoomIn(100), 125);
    EXPECT_EQ(ZoomOut(100), 75);
    for (auto [requested, zoom] : {std::pair{137, 125}, {10, 25}, {900, 800}, {800, 800}})
        EXPECT_EQ(ZoomTo(requested), zoom) << requested;
    EXPECT_EQ(ZoomFactor(50), 1);
    EXPECT_EQ(ZoomFactor(250), 2);
    EXPECT_EQ(ZoomedSize({101, 33}, 250), (ViewSize{252, 82}));
    EXPECT_EQ(ZoomedSize({1, 1}, 25), (ViewSize{1, 1}));
    EXPECT_EQ(ZoomedSize({INT_MAX, 1}, 800), (ViewSize{INT_MAX, 8}));
    EXPECT_TRUE(ZoomedSize({0, 0}, 100).Empty());
    EXPECT_EQ(TrimAreaToZoom({401, 302}, 300), (ViewSize{399, 300}));
    EXPECT_EQ(TrimAreaToZoom({401, 302}, 175), (ViewSize{401, 302}));
}

TEST(ViewGeometry, ScrollPositionsLandOnWholeEnlargedPixels) {
    for (int old = 0; old <= 100; old += 7) {
        const int position = RestoreScroll(old, 100, 301, 300);
        EXPECT_EQ(position % 3, 0) << old;
        EXPECT_LE(position, 301);
    }
    EXPECT_EQ(RestoreScroll(50, 100, 301, 300), 150);
    EXPECT_EQ(RestoreScroll(1, 3, 10, 100), 3);
    EXPECT_EQ(RestoreScroll(5, 0, 100, 100), 0); // no old range: no division by 0
    EXPECT_EQ(RestoreScroll(-5, 10, 100, 300), 0);
    EXPECT_EQ(SnapDown(7, 3), 6);
    EXPECT_EQ(SnapDown(-1, 3), -3);
    EXPECT_EQ(SnapDown(7, 0), 7);
    EXPECT_EQ(SnapFactor(300, 1), 8);
    EXPECT_EQ(SnapFactor(300, 24), 3);
}

TEST(ViewGeometry, FitKeepsProportionsAndSmallPicturesUnlessUpsampled) {
    EXPECT_EQ(FitSize({100, 80}, {1000, 1000}, false), (ViewSize{100, 80}));
    EXPECT_EQ(FitSize({100, 80}, {1000, 1000}, true), (ViewSize{1000, 800}));
    EXPECT_EQ(FitSize({100, 80}, {500, 1000}, true), (ViewSize{500, 400}));
    EXPECT_EQ(FitSize({2000, 1000}, {400, 400}, false), (ViewSize{400, 200}));
    EXPECT_EQ(FitSize({3, 1}, {10, 10}, true), (ViewSize{10, 3}));
    // Extreme proportions neither overflow nor vanish; empty sizes give nothing.
    EXPECT_EQ(FitSize({1, INT_MAX}, {INT_MAX, 1}, true), (ViewSize{1, 1}));
    EXPECT_EQ(FitSize({INT_MAX, INT_MAX}, {7, 5}, true), (ViewSize{5, 5}));
    EXPECT_TRUE(FitSize({0, 0}, {800, 600}, true).Empty());
    EXPECT_TRUE(FitSize({100, 80}, {0, 600}, true).Empty());
}

TEST(ViewGeometry, WindowsFitThePictureTheChromeAndTheScreen) {
    const ViewSize screen{1920, 1080};
    WindowChrome chrome{{16, 39}, 60, 500, true, true};
    EXPECT_EQ(WindowSizeFor({100, 80}, chrome, screen), (ViewSize{500, 179}));
    chrome.toolBarWidth = 0;
    EXPECT_EQ(WindowSizeFor({100, 80}, chrome, screen), (ViewSize{360, 179}));
    chrome.fitToEnabled = chrome.menuBarShown = false;
    EXPECT_EQ(WindowSizeFor({100, 80}, chrome, screen), (ViewSize{116, 179}));
    EXPECT_EQ(WindowSizeFor({3000, 2000}, chrome, screen), screen);
    EXPECT_TRUE(WindowSizeFor({0, 0}, chrome, screen).Empty());

    EXPECT_EQ(PlaceWindow({1800, 900, 2000, 1100}, screen, true, false),
              (ViewRect{1720, 880, 1920, 1080}));
    EXPECT_EQ(PlaceWindow({1800, 900, 2000, 1100}, screen, false, true),
              (ViewRect{860, 440, 1060, 640}));
    EXPECT_EQ(PlaceWindow({-10, -5, 90, 95}, screen, false, false), (ViewRect{0, 0, 100, 100}));
    EXPECT_EQ(PlaceWindow({0, 0, 2000, 1200}, screen, true, true), (ViewRect{0, 0, 2000, 1200}));

    EXPECT_EQ(WindowSizeAtFraction({800, 600}, 2, chrome, screen), (ViewSize{416, 399}));
    EXPECT_EQ(WindowSizeAtFraction({800, 600}, 0, chrome, screen), (ViewSize{816, 699}));
    EXPECT_EQ(WindowSizeAtFraction({100, 100}, 4, chrome, screen), std::nullopt);
    EXPECT_EQ(WindowSizeAtFraction({0, 0}, 1, chrome, screen), std::nullopt);
}

TEST(ViewGeometry, RubberBandsBecomeHalfOpenPictureSelections) {
    EXPECT_FALSE(BigEnoughForSelection({0, 0, 3, 3}));
    EXPECT_FALSE(BigEnoughForSelection({0, 0, 10, 3}));
    EXPECT_TRUE(BigEnoughForSelection({4, 4, 0, 0}));

    struct Case {
        ViewRect band;
        ViewSize picture, control;
        bool fit;
        int percent;
        ViewRect selection;
    } cases[] = {
        {{0, 0, 333, 266}, {1000, 800}, {333, 266}, true, 100, {0, 0, 1000, 800}},
        {{100, 100, 200, 200}, {1000, 800}, {333, 266}, true, 100, {300, 300, 601, 602}},
        {{3, 6, 12, 15}, {100, 80}, {300, 240}, false, 300, {1, 2, 4, 5}},
        {{12, 15, 3, 6}, {100, 80}, {300, 240}, false, 300, {1, 2, 4, 5}},
        {{4, 4, 8, 8}, {100, 80}, {300, 240}, false, 300, {1, 1, 3, 3}},
        {{10, 10, 20, 20}, {100, 80}, {50, 40}, false, 50, {20, 20, 40, 40}},
        {{90, 70, 150, 120}, {100, 80}, {100, 80}, false, 100, {90, 70, 100, 80}},
        {{120, 90, 150, 120}, {100, 80}, {100, 80}, false, 100, {}},
        {{0, 0, 10, 10}, {100, 80}, {0, 0}, true, 100, {}},
        {{0, 0, 10, 10}, {0, 0}, {10, 10}, false, 100, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SelectionFromDisplay(c.band, c.picture, c.control, c.fit, c.percent), c.selection)
            << c.band.left << "," << c.band.top << " at " << c.percent;

    // The frame drawn back covers the selected pixels, and maps back to them.
    EXPECT_EQ(DisplayFromSelection({1, 2, 4, 5}, {100, 80}, {300, 240}, false, 300),
              (ViewRect{3, 6, 12, 15}));
    EXPECT_EQ(DisplayFromSelection({10, 20, 30, 40}, {100, 80}, {200, 160}, true, 100),
              (ViewRect{20, 40, 60, 80}));
    EXPECT_EQ(DisplayFromSelection({1, 1, 3, 3}, {100, 80}, {75, 60}, false, 75),
              (ViewRect{0, 0, 3, 3}));
    EXPECT_EQ(DisplayFromSelection({90, 70, 100, 80}, {100, 80}, {300, 240}, false, 300),
              (ViewRect{270, 210, 300, 240}));
}

TEST(ViewGeometry, ZoomToRegionGrowsWhileTheSelectionStaysVisible) {
    auto expectView = [](ViewRect selection, ViewSize area, int percent, ViewPoint scroll) {
        const ZoomRegionView view = ZoomToRegion(selection, area);
        EXPECT_EQ(view.percent, percent) << selection.left << "," << selection.top;
        EXPECT_EQ(view.scroll, scroll) << selection.left << "," << selection.top;
    };
    expectView({0, 0, 100, 100}, {400, 300}, 300, {0, 0});
    expectView({10, 10, 60, 40}, {400, 300}, 800, {80, 80});
    expectView({7, 9, 507, 19}, {400, 300}, 100, {7, 9});
    // At 250 % the corner snaps from 7 to 6 and the far edge (108) leaves the 100-pixel area.
    expectView({3, 3, 43, 43}, {101, 101}, 225, {6, 6});
    expectView({}, {400, 300}, 100, {0, 0});
    expectView({5, 5, 10, 10}, {0, 0}, 100, {5, 5});
}

TEST(ViewGeometry, PaintPlansDrawWholePicturePixels) {
    struct Case {
        ViewRect clip;
        ViewSize picture, control;
        PaintPlan plan;
    } cases[] = {
        {{10, 10, 20, 20}, {100, 80}, {100, 80}, {{10, 10, 20, 20}, {10, 10, 20, 20}}},
        {{90, 70, 200, 200}, {100, 80}, {100, 80}, {{90, 70, 100, 80}, {90, 70, 100, 80}}},
        {{4, 5, 10, 7}, {100, 80}, {300, 240}, {{1, 1, 4, 3}, {3, 3, 12, 9}}},
        {{298, 238, 300, 240}, {100, 80}, {300, 240}, {{99, 79, 100, 80}, {297, 237, 300, 240}}},
        {{2, 2, 3, 3}, {2, 2}, {5, 5}, {{0, 0, 2, 2}, {0, 0, 5, 5}}},
        {{10, 8, 20, 16}, {1000, 800}, {100, 80}, {{100, 80, 200, 160}, {10, 8, 20, 16}}},
        {{29, 23, 30, 24}, {100, 80}, {30, 24}, {{96, 76, 100, 80}, {29, 23, 30, 24}}},
        {{0, 0, 1, 1}, {3, 3}, {2, 2}, {{0, 0, 1, 1}, {0, 0, 1, 1}}},
        {{5, 5, 9, 9}, {0, 0}, {10, 10}, {}},
        {{5, 5, 9, 9}, {10, 10}, {0, 0}, {}},
        {{50, 50, 60, 60}, {10, 10}, {20, 20}, {}},
    };
    for (const Case& c : cases) {
        const PaintPlan plan = PlanPaint(c.clip, c.picture, c.control);
        EXPECT_EQ(plan.source, c.plan.source) << c.clip.left << "," << c.clip.top;
        EXPECT_EQ(plan.target, c.plan.target) << c.clip.left << "," << c.clip.top;
    }
}

TEST(ViewGeometry, AspectModesCarryTheirCaptionsQuestionsAndWidths) {
    EXPECT_STREQ(AspectCaption(AspectMode::Monitor), " &1:1 Monitor");
    EXPECT_STREQ(AspectCaption(AspectMode::BestFit), " 1:1 &Best fit");
    EXPECT_STREQ(AspectCaption(AspectMode::Wide), "16:&9 Wide");
    EXPECT_EQ(AspectQuestion(AspectMode::Cinema),
              "All images will be resized to 2.35:1 cinema (anamorphic) aspect.\nThis fixes raw, "
              "fullscreen DVD image captures (landscape).\nNormal 1:1 images will be distorted; "
              "video is not modified.");
    EXPECT_EQ(AspectQuestion(AspectMode::BestFit), "");
    EXPECT_EQ(AspectWidth(AspectMode::Tv, 0, 480), 640);
    EXPECT_EQ(AspectWidth(AspectMode::Cinema, 0, 480), 1120);
    EXPECT_EQ(AspectWidth(AspectMode::Wide, 0, 480), 853);
    EXPECT_EQ(AspectWidth(AspectMode::Monitor, 100, 480), 100);
}

} // namespace
