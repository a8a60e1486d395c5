#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Executor.h"
#include "settings/JSONFiles.h"
#include "settings/SavedArrangement.h"

namespace brindlow {

// The arrangements the user saved under a name, kept in "layouts.json" in the order of the file.
// Saves and imports append at the end (replacing any layout of exactly the same name); restoring
// by name ignores letter case. Confined to the main queue: every operation is called there, and
// the strip controller's answers are carried back there before they touch the list.
class LayoutsStore {
  public:
    // Everything the store reaches outside itself; tests fake each piece.
    struct Environment {
        // Captures the current arrangement of every strip; the completion may run on any queue.
        std::function<void(std::function<void(SessionSnapshot)>)> capture;
        // Restores an arrangement; the completion (any queue) receives the bundle identifiers of
        // saved windows whose applications are not running.
        std::function<void(const SessionSnapshot&, std::function<void(std::set<std::string>)>)>
            restore;
        // The main queue.
        Executor* main = nullptr;
        // Where the application with a bundle identifier is installed, or nothing.
        std::function<std::optional<std::string>(const std::string& bundleID)> applicationURL;
        // Starts the application at that location; nothing waits for it.
        std::function<void(const std::string& url)> openApplication;
        // Brings this application to the front before a panel shows.
        std::function<void()> activate;
        // A modal open panel for one JSON file; nothing when the user cancels.
        std::function<std::optional<std::filesystem::path>()> chooseImportFile;
        // A modal save panel for a JSON file, suggesting `name`; nothing when the user cancels.
        std::function<std::optional<std::filesystem::path>(const std::string& name)>
            chooseExportFile;
        // A modal alert with the message text.
        std::function<void(const std::string& message)> alert;
    };

    static constexpr double kSecondRestoreDelay = 4.0;
    static constexpr const char* kNotALayout = "This file is not a Brindlow layout.";

    // The application's one store on "layouts.json", made by installShared before its first use.
    static void installShared(Environment environment);
    static LayoutsStore& shared();

    // Loads `file`: missing gives an empty list silently, undecodable an empty list after the
    // reader's log line (and the file is kept aside before it is first replaced).
    LayoutsStore(std::filesystem::path file, Environment environment);
    LayoutsStore(const LayoutsStore&) = delete;
    LayoutsStore& operator=(const LayoutsStore&) = delete;

    const std::vector<NamedLayout>& layouts() const { return layouts_; }
    std::vector<std::string> names() const;
    // Told after every change of the list.
    void addObserver(std::function<void()> observer);

    // Said after a save that could not be written: the layout stays in the list, which every
    // later write stores whole.
    static constexpr const char* kNotWrittenNote =
        "It stays listed until Brindlow quits, and is written with the next change to the "
        "layouts that can be.";

    // Called on the main queue once a save has been written: nothing, or why the file could
    // not be (the list in memory keeps the layout either way).
    using SaveCompletion = std::function<void(WriteFailure)>;

    // Stores the current arrangement under the name trimmed of white space and newlines once the
    // strip controller has captured it. False (and nothing happens, `saved` is never called)
    // when the name is blank. Without `saved`, a file that cannot be written is reported in an
    // alert.
    bool saveCurrent(const std::string& name, SaveCompletion saved = {});
    // Restores the first layout whose name matches ignoring case; false when none does.
    bool apply(const std::string& name);
    // Restores the layout; when applications it names are not running, launches those that can
    // be found and restores the same layout again 4.0 s later.
    void apply(const NamedLayout& layout);
    // Removes the layout with that identity and rewrites the file (also when nothing matched).
    void remove(const UUID& id);
    // Lets the user pick a file of one layout or an array of layouts and adds them, each with a
    // fresh identity.
    void importLayouts();
    // Lets the user pick a file and writes the one layout to it, unchanged.
    void exportLayout(const NamedLayout& layout);

    // The file the store reads and writes.
    const std::filesystem::path& filePath() const { return file_; }

  private:
    void store(NamedLayout layout);
    WriteFailure write();
    void changed();
    void launchMissing(const SessionSnapshot& snapshot, const std::set<std::string>& missing);

    std::filesystem::path file_;
    Environment env_;
    std::vector<NamedLayout> layouts_;
    std::vector<std::function<void()>> observers_;
};

// The name without leading and trailing white space and newlines.
std::string trimmedLayoutName(const std::string& name);

}  // namespace brindlow
