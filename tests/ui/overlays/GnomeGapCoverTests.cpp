// A gap cover on a GNOME desktop paints the picture the selection chose: the dark file of an XML
// pair while the appearance is dark.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <fstream>

#include "overlays/GapOverlayController.h"
#include "overlays/GapView.h"
#include "platform/x11/overlay/GnomeDesktopPictures.h"
#include "support/TempFolder.h"
#include "support/overlays/FakeSurfaces.h"

namespace brindlow::test {
namespace {

class PairSetting final : public GnomePictureSettingSource {
  public:
    explicit PairSetting(std::string xml) : uri_("file://" + xml) {}
    GnomePictureSetting read() override { return {uri_, uri_}; }
    void setChangeHandler(std::function<void()>) override {}

  private:
    std::string uri_;
};

TEST(GnomeGapCoverTest, TheCoverShowsTheDarkPictureOfAnXMLPair) {
    TempFolder folder;
    const auto path = [&](const char* name) { return (folder.path() / name).string(); };
    for (auto [name, colour] : {std::pair{"light.png", Qt::red}, std::pair{"dark.png", Qt::blue}}) {
        QImage image(160, 90, QImage::Format_ARGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(QString::fromStdString(path(name))));
    }
    std::ofstream(path("pair.xml"))
        << "<wallpapers><wallpaper><filename>" << path("light.png") << "</filename><filename-dark>"
        << path("dark.png") << "</filename-dark></wallpaper></wallpapers>";
    GnomeDesktopPictures pictures(std::make_unique<PairSetting>(path("pair.xml")), nullptr);

    FakeSurfaceFactory factory;
    std::vector<std::shared_ptr<GapView>> views;
    GapOverlayController::Environment environment;
    environment.makeView = [&] {
        views.push_back(std::make_shared<GapView>());
        return views.back();
    };
    environment.pictures = &pictures;
    environment.screenFrames = [] { return std::vector<Rect>{Rect(0, 0, 1600, 900)}; };
    environment.isDark = [] { return true; };
    environment.timeOfDay = [] { return std::pair<int, int>{12, 0}; };
    GapOverlayController controller(factory, std::move(environment));

    DisplaySnapshot display;
    display.frame = Rect(0, 0, 1600, 900);
    display.gapStrips.push_back({Rect(800, 100, 12, 700), 0});
    controller.update({display});
    ASSERT_EQ(views.size(), 1u);

    QWidget* widget = views.front()->widget();
    widget->resize(12, 700);
    QImage cover(12, 700, QImage::Format_ARGB32);
    cover.fill(Qt::transparent);
    widget->render(&cover);
    EXPECT_EQ(cover.pixel(6, 350), QColor(Qt::blue).rgba());
}

}  // namespace
}  // namespace brindlow::test
