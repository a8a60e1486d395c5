#include "overlays/GapOverlayController.h"

#include <gtest/gtest.h>

#include "support/overlays/FakeSurfaces.h"

namespace brindlow::test {
namespace {

class FakeGapView final : public GapPresentation {
  public:
    void show(std::shared_ptr<const Image> p, const Rect& s, const Rect& sl) override {
        picture = std::move(p);
        screen = s;
        slice = sl;
    }
    QWidget* widget() override { return nullptr; }
    std::shared_ptr<const Image> picture;
    Rect screen, slice;
};

// A desktop whose picture is named by `location` and counts its decodes.
class FakePictures final : public DesktopPictures {
  public:
    std::optional<Picture> picture(const Rect&) override {
        if (location.empty()) return std::nullopt;
        Picture p;
        p.location = location;
        p.imageCount = imageCount;
        p.metadata = metadata;
        p.decode = [this](int index) -> std::optional<Image> {
            ++decodes;
            decodedIndex = index;
            return Image{4, 2, std::vector<std::uint32_t>(8, 0xFF00FF00u), {}};
        };
        return p;
    }
    ObserverToken addChangeObserver(std::function<void()> handler) override {
        changed = std::move(handler);
        return 1;
    }
    void removeChangeObserver(ObserverToken) override { changed = nullptr; }

    std::string location = "/home/user/wall.png";
    int imageCount = 1;
    nlohmann::json metadata;
    int decodes = 0;
    int decodedIndex = -1;
    std::function<void()> changed;
};

DisplaySnapshot display(Rect frame, int strips, std::uint32_t above = 0) {
    DisplaySnapshot d;
    d.frame = frame;
    for (int i = 0; i < strips; ++i) {
        d.gapStrips.push_back({Rect(frame.x + 500 + 40 * i, 100, 12, 700), above});
    }
    return d;
}

class GapOverlayTest : public ::testing::Test {
  protected:
    GapOverlayTest() {
        GapOverlayController::Environment environment;
        environment.makeView = [this] {
            views.push_back(std::make_shared<FakeGapView>());
            return views.back();
        };
        environment.pictures = &pictures;
        environment.screenFrames = [this] { return screens; };
        environment.isDark = [this] { return dark; };
        environment.timeOfDay = [] { return std::pair<int, int>{13, 30}; };
        controller = std::make_unique<GapOverlayController>(factory, std::move(environment));
    }
    std::vector<bool> visible() const {
        std::vector<bool> shown;
        for (const auto& s : controller->pool()) shown.push_back(s->isVisible());
        return shown;
    }

    FakeSurfaceFactory factory;
    FakePictures pictures;
    std::vector<Rect> screens{Rect(0, 0, 1440, 900), Rect(1440, 0, 1920, 1080)};
    bool dark = false;
    std::vector<std::shared_ptr<FakeGapView>> views;
    std::unique_ptr<GapOverlayController> controller;
};

TEST_F(GapOverlayTest, ThePoolGrowsToTheLargestSnapshotAndHandsWindowsOutInOrder) {
    controller->update({display(screens[0], 3), display(screens[1], 3)});
    EXPECT_EQ(visible(), std::vector<bool>(6, true));
    EXPECT_EQ(views[3]->slice, Rect(1940, 100, 12, 700));
    EXPECT_EQ(views[3]->screen, screens[1]);
    EXPECT_TRUE(factory.made[0]->options.clickThrough);

    controller->update({display(screens[1], 1)});
    EXPECT_EQ(visible(), (std::vector<bool>{true, false, false, false, false, false}));
    EXPECT_EQ(views[0]->slice, Rect(1940, 100, 12, 700));

    // Paused snapshots carry no strips: every cover goes, none is made.
    controller->update({display(screens[0], 0), display(screens[1], 0)});
    EXPECT_EQ(visible(), std::vector<bool>(6, false));
    EXPECT_EQ(factory.made.size(), 6u);
}

TEST_F(GapOverlayTest, ADisplayMatchingNoScreenIsSkippedAndTheNextTakesItsWindows) {
    controller->update({display(Rect(0, 0, 1400, 900), 2), display(screens[1], 1)});
    ASSERT_EQ(controller->pool().size(), 1u);
    EXPECT_EQ(views[0]->screen, screens[1]);
}

TEST_F(GapOverlayTest, CoversSitAboveTheirWindowElseFloat) {
    controller->update({display(screens[0], 1, 77)});
    FakeSurface* cover = factory.made[0];
    EXPECT_EQ(cover->order, FakeSurface::Order::above);
    EXPECT_EQ(cover->relativeTo, 77u);
    EXPECT_EQ(cover->tier(), SurfaceTier::normal);
    factory.refused.push_back(77);
    controller->update({display(screens[0], 1, 77)});
    EXPECT_EQ(cover->order, FakeSurface::Order::front);
    EXPECT_EQ(cover->tier(), SurfaceTier::floating);
}

TEST_F(GapOverlayTest, PicturesAreDecodedOnceAndTheCacheStaysBounded) {
    controller->update({display(screens[0], 1), display(screens[1], 1)});
    EXPECT_EQ(pictures.decodes, 1);  // one location for both (the fake names no crop)
    ASSERT_TRUE(views[0]->picture);
    EXPECT_EQ(views[0]->picture->width, 4);
    // A rotating wallpaper: ten pictures in turn.
    for (int i = 0; i < 10; ++i) {
        pictures.location = "/home/user/wall-" + std::to_string(i) + ".png";
        controller->update({display(screens[0], 1), display(screens[1], 1)});
    }
    EXPECT_EQ(pictures.decodes, 11);
    EXPECT_LE(controller->cache().size(), 5u);  // two displays and three more
    // The default picture and no picture give frosted covers.
    pictures.location = "/System/Library/CoreServices/DefaultDesktop.heic";
    controller->update({display(screens[0], 1)});
    EXPECT_FALSE(views[0]->picture);
    pictures.location.clear();
    EXPECT_EQ(controller->picture(screens[0]), nullptr);
}

TEST_F(GapOverlayTest, ADynamicPictureShowsTheImageOfTheAppearance) {
    pictures.imageCount = 2;
    pictures.metadata = {{"apr", {{"l", 0}, {"d", 1}}}};
    controller->picture(screens[0]);
    EXPECT_EQ(pictures.decodedIndex, 0);
    dark = true;
    controller->picture(screens[0]);
    EXPECT_EQ(pictures.decodedIndex, 1);
}

TEST_F(GapOverlayTest, APictureChangeRepaintsTheCoversOnScreen) {
    controller->update({display(screens[0], 1)});
    pictures.location = "/home/user/other.png";
    ASSERT_TRUE(pictures.changed);
    pictures.changed();
    EXPECT_EQ(pictures.decodes, 2);
}

TEST(GapDrawTest, ThePictureFillsTheScreenCentredAndOffsetByTheSlice) {
    // 3000 × 2000 on 1440 × 900: scale 0.48, drawn 1440 × 960, 30 cut at the top and bottom.
    EXPECT_EQ(gapPictureRect({3000, 2000}, Rect(0, 0, 1440, 900), Rect(500, 0, 12, 900)),
              Rect(-500, -30, 1440, 960));
    EXPECT_EQ(gapPictureRect({1920, 1080}, Rect(1440, 0, 1920, 1080), Rect(1500, 100, 24, 800)),
              Rect(-60, -100, 1920, 1080));
    EXPECT_EQ(gapPictureRect({0, 1080}, Rect(0, 0, 1920, 1080), Rect()), std::nullopt);
}

struct IndexCase {
    const char* name;
    int count;
    nlohmann::json metadata;
    bool dark;
    int hour, minute;
    int index;
};

class PictureIndexTest : public ::testing::TestWithParam<IndexCase> {};

TEST_P(PictureIndexTest, TheFirstTagPresentDecidesAndTheIndexIsClamped) {
    const IndexCase& c = GetParam();
    EXPECT_EQ(desktopImageIndex(c.count, c.metadata, c.dark, c.hour, c.minute), c.index);
}

const nlohmann::json kDay = {
    {"h24", {{"ti", {{{"t", 0.5}, {"i", 2}}, {{"t", 0.25}, {"i", 1}}, {{"t", 0.75}, {"i", 3}}}}}}};

INSTANTIATE_TEST_SUITE_P(
    Cases, PictureIndexTest,
    ::testing::Values(
        IndexCase{"SingleImage", 1, {{"apr", {{"d", 1}}}}, true, 0, 0, 0},
        IndexCase{"AppearanceDark", 2, {{"apr", {{"l", 0}, {"d", 1}}}}, true, 0, 0, 1},
        IndexCase{"AppearanceLight", 2, {{"apr", {{"l", 0}, {"d", 1}}}}, false, 0, 0, 0},
        IndexCase{"AppearanceWithoutKeyIgnoresH24",
                  4,
                  {{"apr", {{"d", 1}}}, {"h24", {{"ti", {{{"t", 0.0}, {"i", 3}}}}}}},
                  false,
                  9,
                  0,
                  0},
        IndexCase{"BeforeTheFirstEntry", 4, kDay, false, 5, 0, 3},
        IndexCase{"AtTheFirstEntry", 4, kDay, false, 6, 0, 1},
        IndexCase{"Afternoon", 4, kDay, false, 13, 30, 2},
        IndexCase{"EqualTimesKeepListOrder",
                  8,
                  {{"h24", {{"ti", {{{"t", 0.25}, {"i", 1}}, {{"t", 0.25}, {"i", 4}}}}}}},
                  false,
                  7,
                  0,
                  4},
        IndexCase{"EntriesWithoutIndexUseAp",
                  4,
                  {{"h24", {{"ti", {{{"t", 0.25}}}}, {"ap", {{"d", 2}}}}}},
                  true,
                  7,
                  0,
                  2},
        IndexCase{"NoEntriesNoAp", 4, {{"h24", {{"ti", "none"}}}}, true, 7, 0, 0},
        IndexCase{"Solar", 4, {{"solar", {{"ap", {{"l", 3}}}}}}, false, 7, 0, 3},
        IndexCase{"ClampedHigh", 16, {{"apr", {{"l", 20}}}}, false, 0, 0, 15},
        IndexCase{"ClampedLow", 16, {{"apr", {{"l", -1}}}}, false, 0, 0, 0},
        IndexCase{
            "TagNotAnObject", 4, {{"apr", "x"}, {"solar", {{"ap", {{"l", 2}}}}}}, false, 0, 0, 2}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
}  // namespace brindlow::test
