#include "settings/LayoutsStore.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "settings/JSONFiles.h"
#include "settings/Loggers.h"
#include "settings/TextFolding.h"

namespace brindlow {

namespace {

std::unique_ptr<LayoutsStore>& sharedSlot() {
    static std::unique_ptr<LayoutsStore> instance;
    return instance;
}

// The layouts of a file the user picked: an array of layouts or one layout. The file is only
// read: whatever it holds (the settings file picked by mistake, say), a failed import must never
// mark it as undecodable, or its next write would copy it aside as "<name>.unreadable".
std::vector<NamedLayout> layoutsInFile(const std::filesystem::path& file) {
    const std::optional<std::string> bytes = readFileBytes(file);
    if (!bytes) return {};
    const nlohmann::json parsed = nlohmann::json::parse(*bytes, nullptr, false);
    if (parsed.is_discarded()) return {};
    try {
        std::vector<NamedLayout> layouts;
        if (parsed.is_array()) {
            fromJSON(parsed, layouts);
        } else {
            layouts.emplace_back();
            fromJSON(parsed, layouts.back());
        }
        return layouts;
    } catch (const std::exception& error) {
        storageLog().info("Not a layout file %{public}s: %{public}s", file.filename().string(),
                          std::string(error.what()));
        return {};
    }
}

}  // namespace

std::string trimmedLayoutName(const std::string& name) {
    return trimmedWhiteSpace(name);
}

void LayoutsStore::installShared(Environment environment) {
    if (!sharedSlot())
        sharedSlot() = std::make_unique<LayoutsStore>(layoutsFile(), std::move(environment));
}

LayoutsStore& LayoutsStore::shared() {
    if (!sharedSlot()) throw std::logic_error("LayoutsStore::installShared was not called");
    return *sharedSlot();
}

LayoutsStore::LayoutsStore(std::filesystem::path file, Environment environment)
    : file_(std::move(file)), env_(std::move(environment)) {
    if (!env_.main) throw std::invalid_argument("LayoutsStore needs the main queue");
    layouts_ = readJSON<std::vector<NamedLayout>>(file_).value_or(std::vector<NamedLayout>{});
}

std::vector<std::string> LayoutsStore::names() const {
    std::vector<std::string> result;
    for (const NamedLayout& layout : layouts_) result.push_back(layout.name);
    return result;
}

void LayoutsStore::addObserver(std::function<void()> observer) {
    observers_.push_back(std::move(observer));
}

void LayoutsStore::changed() {
    const auto observers = observers_;
    for (const auto& observer : observers) observer();
}

WriteFailure LayoutsStore::write() {
    return writeJSON(layouts_, file_);
}

void LayoutsStore::store(NamedLayout layout) {
    std::erase_if(layouts_, [&](const NamedLayout& old) { return old.name == layout.name; });
    layouts_.push_back(std::move(layout));
}

bool LayoutsStore::saveCurrent(const std::string& name, SaveCompletion saved) {
    const std::string trimmed = trimmedLayoutName(name);
    if (trimmed.empty() || !env_.capture) return false;
    Executor* main = env_.main;
    // The store outlives every capture: it is the process's one instance (tests keep theirs
    // until the queues are idle).
    env_.capture([this, main, trimmed, saved](SessionSnapshot snapshot) {
        main->async([this, trimmed, saved, snapshot = std::move(snapshot)] {
            store(NamedLayout{UUID::random(), trimmed, Date::now(), snapshot});
            const WriteFailure failure = write();
            changed();
            if (saved) {
                saved(failure);
            } else if (failure && env_.alert) {
                // Saved from a menu or the settings window: the user waits for it to be kept.
                env_.alert("Could not save the layout " + trimmed + ": " + *failure + ". " +
                           kNotWrittenNote);
            }
        });
    });
    return true;
}

bool LayoutsStore::apply(const std::string& name) {
    const auto found = std::find_if(
        layouts_.begin(), layouts_.end(),
        [&](const NamedLayout& layout) { return equalIgnoringCase(layout.name, name); });
    if (found == layouts_.end()) return false;
    apply(*found);
    return true;
}

void LayoutsStore::apply(const NamedLayout& layout) {
    if (!env_.restore) return;
    Executor* main = env_.main;
    const SessionSnapshot snapshot = layout.snapshot;
    env_.restore(snapshot, [this, main, snapshot](std::set<std::string> missing) {
        if (missing.empty()) return;
        main->async(
            [this, snapshot, missing = std::move(missing)] { launchMissing(snapshot, missing); });
    });
}

void LayoutsStore::launchMissing(const SessionSnapshot& snapshot,
                                 const std::set<std::string>& missing) {
    for (const std::string& bundleID : missing) {
        const std::optional<std::string> url =
            env_.applicationURL ? env_.applicationURL(bundleID) : std::nullopt;
        if (!url) continue;
        if (env_.openApplication) env_.openApplication(*url);
    }
    env_.main->asyncAfter(kSecondRestoreDelay, [this, snapshot] {
        if (env_.restore) env_.restore(snapshot, [](std::set<std::string>) {});
    });
}

void LayoutsStore::remove(const UUID& id) {
    std::erase_if(layouts_, [&](const NamedLayout& layout) { return layout.id == id; });
    write();
    changed();
}

void LayoutsStore::importLayouts() {
    if (!env_.chooseImportFile) return;
    if (env_.activate) env_.activate();
    const std::optional<std::filesystem::path> file = env_.chooseImportFile();
    if (!file) return;
    std::vector<NamedLayout> imported = layoutsInFile(*file);
    if (imported.empty()) {
        if (env_.alert) env_.alert(kNotALayout);
        return;
    }
    for (NamedLayout& layout : imported) {
        layout.id = UUID::random();
        store(std::move(layout));
    }
    write();
    changed();
}

void LayoutsStore::exportLayout(const NamedLayout& layout) {
    if (!env_.chooseExportFile) return;
    if (env_.activate) env_.activate();
    const std::optional<std::filesystem::path> file = env_.chooseExportFile(layout.name + ".json");
    if (!file) return;
    writeJSON(layout, *file);
}

}  // namespace brindlow
