// GNOME's picture setting read through GIO, from a key file of a temporary configuration folder;
// its change reaches the toolkit's event loop.
#include <gtest/gtest.h>

#include <QTest>
#include <cstdlib>
#include <fstream>

#include "platform/x11/overlay/GnomeDesktopPictures.h"
#include "support/TempFolder.h"

namespace brindlow::test {
namespace {

void writeKeyFile(const std::filesystem::path& config, const std::string& uri,
                  const std::string& dark) {
    std::filesystem::create_directories(config / "glib-2.0/settings");
    std::ofstream(config / "glib-2.0/settings/keyfile")
        << "[org/gnome/desktop/background]\npicture-uri='" << uri << "'\npicture-uri-dark='" << dark
        << "'\n";
}

TEST(GnomePictureSettingTest, ReadsBothKeysInAGnomeSessionAndHearsOfChanges) {
    TempFolder config;
    writeKeyFile(config.path(), "file:///w/light.png", "file:///w/dark.png");
    // Before GIO's first use in this program: the key-file back end in our folder.
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);

    setenv("XDG_CURRENT_DESKTOP", "XFCE", 1);
    EXPECT_FALSE(openGnomePictureSetting()) << "not a GNOME session";

    setenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME", 1);
    auto source = openGnomePictureSetting();
    ASSERT_TRUE(source) << "the org.gnome.desktop.background schema is not installed";
    EXPECT_EQ(source->read(), (GnomePictureSetting{"file:///w/light.png", "file:///w/dark.png"}));

    bool changed = false;
    source->setChangeHandler([&] { changed = true; });
    writeKeyFile(config.path(), "file:///w/timed.xml", "file:///w/timed.xml");
    // The back end watches its file and reports on GLib's main context, which the toolkit's
    // event loop runs (as in the application).
    EXPECT_TRUE(QTest::qWaitFor([&] { return changed; }, 10000));
    EXPECT_EQ(source->read().uri, "file:///w/timed.xml");
}

}  // namespace
}  // namespace brindlow::test
