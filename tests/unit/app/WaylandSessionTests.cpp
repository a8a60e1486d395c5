#include "app/WaylandSession.h"

#include <gtest/gtest.h>

namespace brindlow {
namespace {

struct SessionRow {
    const char* name;
    SessionEnvironment environment;
    bool wayland;
};

class WaylandSessionTest : public ::testing::TestWithParam<SessionRow> {};

TEST_P(WaylandSessionTest, IsSaidByTheLoginManagerOrByACompositorToConnectTo) {
    EXPECT_EQ(isWaylandSession(GetParam().environment), GetParam().wayland);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, WaylandSessionTest,
    ::testing::Values(SessionRow{"x11", {"x11", ""}, false}, SessionRow{"unset", {"", ""}, false},
                      SessionRow{"tty", {"tty", ""}, false},
                      SessionRow{"wayland", {"wayland", "wayland-0"}, true},
                      SessionRow{"wayland_without_its_socket", {"wayland", ""}, true},
                      SessionRow{"compositor_only", {"", "wayland-1"}, true}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brindlow
