// The desktop picture from the root pixmap a desktop publishes: cropped to each screen, re-read
// when the property changes.
#include <gtest/gtest.h>

#include "platform/x11/overlay/X11RootPicture.h"
#include "x11/support/X11Fixture.h"

namespace brindlow::test {
namespace {

class RootPictureX11Test : public X11Fixture {
  protected:
    // Publishes a 600 × 400 root pixmap as a desktop does, `left` left of x 300 and `right` from
    // there; the caller frees it.
    xcb_pixmap_t publishPixmap(std::uint32_t left, std::uint32_t right) {
        xcb_connection_t* c = connection().xcb();
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        xcb_create_pixmap(c, connection().screen()->root_depth, pixmap, connection().root(), 600,
                          400);
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, pixmap, 0, nullptr);
        for (const auto& [x, colour] : {std::pair{0, left}, std::pair{300, right}}) {
            xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &colour);
            const xcb_rectangle_t half{std::int16_t(x), 0, 300, 400};
            xcb_poly_fill_rectangle(c, pixmap, gc, 1, &half);
        }
        xcb_free_gc(c, gc);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, connection().root(),
                            connection().atom("_XROOTPMAP_ID"), XCB_ATOM_PIXMAP, 32, 1, &pixmap);
        connection().sync();
        return pixmap;
    }
    void TearDown() override {
        if (!x11_) return;
        xcb_delete_property(connection().xcb(), connection().root(),
                            connection().atom("_XROOTPMAP_ID"));
        connection().sync();
    }
};

TEST_F(RootPictureX11Test, EachScreenGetsItsCropOfTheRootPixmapAndChangesAreReported) {
    X11RootPicture pictures(connection(), main_);
    int changes = 0;
    pictures.addChangeObserver([&] { ++changes; });
    const xcb_pixmap_t first = publishPixmap(0xFF0000, 0x0000FF);
    ASSERT_TRUE(main_.runUntil([&] { return changes > 0; }));

    // A "screen" from x 250 to 350: its crop is 50 red then 50 blue.
    const auto picture = pictures.picture(Rect(250, 100, 100, 50));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->imageCount, 1);
    const auto image = picture->decode(0);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width, 100);
    ASSERT_EQ(image->height, 50);
    EXPECT_EQ(image->argb[10 * 100 + 49], 0xFFFF0000u);
    EXPECT_EQ(image->argb[10 * 100 + 50], 0xFF0000FFu);

    // Another wallpaper is another picture.
    publishPixmap(0x00FF00, 0x00FF00);
    EXPECT_NE(pictures.picture(Rect(250, 100, 100, 50))->location, picture->location);
    xcb_free_pixmap(connection().xcb(), first);
}

}  // namespace
}  // namespace brindlow::test
