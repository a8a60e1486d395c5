// GNOME's desktop pictures as the gap covers choose them: a light/dark pair and a timed
// slideshow described in GNOME background XML, and a pair given by the two settings.
#include <gtest/gtest.h>

#include <QImage>
#include <fstream>

#include "overlays/DesktopPictureSelection.h"
#include "overlays/GapOverlayController.h"
#include "platform/x11/overlay/GnomeBackgroundXML.h"
#include "platform/x11/overlay/GnomeDesktopPictures.h"
#include "support/TempFolder.h"
#include "support/overlays/FakeSurfaces.h"

namespace brindlow::test {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu, kGreen = 0xFF00FF00u,
                        kYellow = 0xFFFFFF00u;

const char* const kPairXML = R"(<?xml version="1.0"?>
<!DOCTYPE wallpapers SYSTEM "gnome-wp-list.dtd">
<wallpapers>
  <wallpaper deleted="false">
    <name>Pair</name>
    <filename>@/light.png</filename>
    <filename-dark>@/dark.png</filename-dark>
    <options>zoom</options>
  </wallpaper>
</wallpapers>)";

// From 07:00: the morning slide for 12 hours less the 5-second fade, then the evening slide.
const char* const kTimedXML = R"(<background>
  <starttime><year>2011</year><month>11</month><day>24</day>
    <hour>7</hour><minute>00</minute><second>00</second></starttime>
  <static><duration>43195.0</duration><file>@/morning.png</file></static>
  <transition type="overlay"><duration>5.0</duration>
    <from>@/morning.png</from><to>@/evening.png</to></transition>
  <static><duration>43195.0</duration><file>@/evening.png</file></static>
  <transition type="overlay"><duration>5.0</duration>
    <from>@/evening.png</from><to>@/morning.png</to></transition>
</background>)";

std::string withFolder(std::string text, const std::string& folder) {
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at))
        text.replace(at, 1, folder);
    return text;
}

TEST(GnomeBackgroundXMLTest, AWallpaperWithADarkFileIsAnAppearancePair) {
    const auto background = parseGnomeBackground(withFolder(kPairXML, "/w"));
    ASSERT_TRUE(background);
    EXPECT_EQ(background->files, (std::vector<std::string>{"/w/light.png", "/w/dark.png"}));
    EXPECT_EQ(desktopImageIndex(2, background->metadata, true, 12, 0), 1);
    EXPECT_EQ(desktopImageIndex(2, background->metadata, false, 12, 0), 0);
}

struct SlideCase {
    int hour, minute, index;
};

class GnomeSlideshowTest : public ::testing::TestWithParam<SlideCase> {};

// The slides start at 07:00 (t 0.2917) and 19:00 (t 0.7917); before 07:00 the evening slide of
// the day before still shows.
TEST_P(GnomeSlideshowTest, TheSlideOfTheTimeOfDay) {
    const auto background = parseGnomeBackground(withFolder(kTimedXML, "/w"));
    ASSERT_TRUE(background);
    EXPECT_EQ(background->files, (std::vector<std::string>{"/w/morning.png", "/w/evening.png"}));
    const SlideCase& c = GetParam();
    EXPECT_EQ(desktopImageIndex(2, background->metadata, false, c.hour, c.minute), c.index);
}

INSTANTIATE_TEST_SUITE_P(Times, GnomeSlideshowTest,
                         ::testing::Values(SlideCase{13, 30, 0}, SlideCase{21, 0, 1},
                                           SlideCase{7, 0, 0}, SlideCase{3, 0, 1},
                                           SlideCase{18, 59, 0}));

TEST(GnomeBackgroundXMLTest, AShortCycleRepeatsThroughTheDayAndNonsenseGivesNothing) {
    // Two half-hour slides from midnight: at 10:45 the second one shows.
    const auto hourly = parseGnomeBackground(
        "<background><starttime><hour>0</hour><minute>0</minute></starttime>"
        "<static><duration>1800</duration><file>/a.png</file></static>"
        "<static><duration>1800</duration><file>/b.png</file></static></background>");
    ASSERT_TRUE(hourly);
    EXPECT_EQ(hourly->metadata["h24"]["ti"].size(), 48u);
    EXPECT_EQ(desktopImageIndex(2, hourly->metadata, false, 10, 45), 1);
    EXPECT_EQ(desktopImageIndex(2, hourly->metadata, false, 11, 10), 0);

    EXPECT_FALSE(parseGnomeBackground("<html><body/></html>"));
    EXPECT_FALSE(parseGnomeBackground("not xml at all"));
    EXPECT_FALSE(parseGnomeBackground("<background></background>"));
}

struct SizedCase {
    Size display;
    std::string file;
};

class GnomeSizedSlideTest : public ::testing::TestWithParam<SizedCase> {};

// A slide that lists its picture in three sizes shows the one nearest the display.
TEST_P(GnomeSizedSlideTest, TheVariantNearestTheDisplay) {
    const auto background = parseGnomeBackground(
        R"(<background><static><duration>1800</duration><file>
             <size width="1024" height="768">/w/1024.jpg</size>
             <size width="1920" height="1080">/w/1920.jpg</size>
             <size width="3840" height="2160">/w/3840.jpg</size>
           </file></static></background>)",
        GetParam().display);
    ASSERT_TRUE(background);
    EXPECT_EQ(background->files, std::vector<std::string>{GetParam().file});
}

INSTANTIATE_TEST_SUITE_P(Displays, GnomeSizedSlideTest,
                         ::testing::Values(SizedCase{{1920, 1080}, "/w/1920.jpg"},
                                           SizedCase{{1280, 800}, "/w/1024.jpg"},
                                           SizedCase{{2560, 1440}, "/w/1920.jpg"},
                                           SizedCase{{3840, 2400}, "/w/3840.jpg"},
                                           SizedCase{{0, 0}, "/w/3840.jpg"}));

class FakeSetting final : public GnomePictureSettingSource {
  public:
    GnomePictureSetting read() override { return setting; }
    void setChangeHandler(std::function<void()> h) override { handler = std::move(h); }
    GnomePictureSetting setting;
    std::function<void()> handler;
};

// The gap covers of a 1440 × 900 screen with GNOME's setting pointing into a folder of
// single-colour pictures.
class GnomeGapPictureTest : public ::testing::Test {
  protected:
    GnomeGapPictureTest() {
        for (auto [name, colour] : {std::pair{"light", kRed}, std::pair{"dark", kBlue},
                                    std::pair{"morning", kGreen}, std::pair{"evening", kYellow}}) {
            QImage image(64, 40, QImage::Format_ARGB32);
            image.fill(colour);
            image.save(QString::fromStdString(file(std::string(name) + ".png")));
        }
        std::ofstream(file("pair.xml")) << withFolder(kPairXML, folder.path().string());
        std::ofstream(file("timed.xml")) << withFolder(kTimedXML, folder.path().string());
        auto source = std::make_unique<FakeSetting>();
        setting = source.get();
        pictures = std::make_unique<GnomeDesktopPictures>(std::move(source), nullptr);
        GapOverlayController::Environment environment;
        environment.makeView = [] { return nullptr; };
        environment.pictures = pictures.get();
        environment.isDark = [this] { return dark; };
        environment.timeOfDay = [this] { return time; };
        controller = std::make_unique<GapOverlayController>(factory, std::move(environment));
    }
    std::string file(const std::string& name) const { return (folder.path() / name).string(); }
    std::uint32_t shown() {
        const auto image = controller->picture(Rect(0, 0, 1440, 900));
        return image && !image->argb.empty() ? image->argb[image->argb.size() / 2] : 0;
    }

    TempFolder folder;
    FakeSetting* setting = nullptr;
    std::unique_ptr<GnomeDesktopPictures> pictures;
    FakeSurfaceFactory factory;
    bool dark = false;
    std::pair<int, int> time{13, 30};
    std::unique_ptr<GapOverlayController> controller;
};

TEST_F(GnomeGapPictureTest, ThePairOfAnXMLFollowsTheAppearance) {
    setting->setting = {"file://" + file("pair.xml"), "file://" + file("pair.xml")};
    EXPECT_EQ(shown(), kRed);
    dark = true;
    EXPECT_EQ(shown(), kBlue);
}

TEST_F(GnomeGapPictureTest, TheTwoSettingsMakeAPairOfPlainPictures) {
    setting->setting = {"file://" + file("light.png"), "file://" + file("dark.png")};
    dark = true;
    EXPECT_EQ(shown(), kBlue);
    setting->setting.darkURI.clear();
    EXPECT_EQ(shown(), kRed);
}

TEST_F(GnomeGapPictureTest, ATimedSlideshowShowsTheSlideOfTheHour) {
    setting->setting = {"file://" + file("timed.xml"), "file://" + file("timed.xml")};
    EXPECT_EQ(shown(), kGreen);
    time = {21, 0};
    EXPECT_EQ(shown(), kYellow);
}

TEST_F(GnomeGapPictureTest, ChangesAreReportedAndNoUsableSettingGivesNoPicture) {
    int changes = 0;
    pictures->addChangeObserver([&] { ++changes; });
    setting->handler();
    EXPECT_EQ(changes, 1);
    setting->setting = {"file://" + file("missing.xml"), ""};
    EXPECT_EQ(shown(), 0u);
    setting->setting = {"https://example.org/a.png", ""};
    EXPECT_EQ(shown(), 0u);
}

}  // namespace
}  // namespace brindlow::test
