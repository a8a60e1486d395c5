#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "geometry/Geometry.h"
#include "geometry/WindowID.h"

namespace brindlow {

// Where the managed windows stood before they were first tiled, kept in
// "original-frames.json" from the moment they are adopted until a clean quit
// has put them back. After a kill -9 or a power cut the windows stay parked
// where the strip left them; the next start reads this file, so that what it
// records as the originals (and the quit restores) are the true ones.
struct WindowFrameRecord {
    WindowID id = 0;
    // The WM_CLASS class; with the title it finds a window again after the
    // X server restarted and ids changed.
    std::string bundleID;
    std::string title;
    Rect frame;
    // Maximised then: it is maximised again when put back. Files written before this was kept
    // read as not maximised.
    bool maximized = false;

    bool operator==(const WindowFrameRecord&) const = default;
};

// Where a window stood before it was first tiled, and whether it was maximised there.
struct OriginalFrame {
    Rect frame;
    bool maximized = false;

    bool operator==(const OriginalFrame&) const = default;
};

class OriginalFramesFile {
  public:
    static constexpr const char* kFileName = "original-frames.json";

    explicit OriginalFramesFile(std::filesystem::path folder);

    // The originals of the windows being adopted: a window the file knows gets
    // its stored frame, matched by id (with the same bundle id) while the X
    // server still runs, else by bundle id and title; every other window keeps
    // the frame (and maximised state) it has now. The file then holds exactly these windows.
    std::map<WindowID, OriginalFrame> adopt(const std::vector<WindowFrameRecord>& live);

    // The file holds exactly these windows from now on.
    void write(const std::vector<WindowFrameRecord>& windows);

    // The windows are back where they were: nothing to recover any more.
    void forget();

    std::filesystem::path path() const { return folder_ / kFileName; }

  private:
    std::filesystem::path folder_;
};

// The matching of adopt(), without the file.
std::map<WindowID, OriginalFrame> matchOriginalFrames(const std::vector<WindowFrameRecord>& stored,
                                                      const std::vector<WindowFrameRecord>& live);

}  // namespace brindlow
