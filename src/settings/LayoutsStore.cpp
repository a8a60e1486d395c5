#include "settings/LayoutsStore.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <stdexcept>

#include "settings/JSONFiles.h"
#include "settings/Loggers.h"

namespace brindlow {

namespace {

std::unique_ptr<LayoutsStore>& sharedSlot() {
    static std::unique_ptr<LayoutsStore> instance;
    return instance;
}

bool isBlank(unsigned char c) {
    // ASCII white space and newlines, the no-break space and the line and paragraph separators
    // are trimmed; other bytes stay.
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

size_t trailingUnicodeBlank(const std::string& text, size_t end) {
    // U+00A0 (C2 A0), U+2028 (E2 80 A8), U+2029 (E2 80 A9), U+0085 (C2 85)
    if (end >= 2 && (unsigned char)text[end - 2] == 0xC2 &&
        ((unsigned char)text[end - 1] == 0xA0 || (unsigned char)text[end - 1] == 0x85))
        return 2;
    if (end >= 3 && (unsigned char)text[end - 3] == 0xE2 && (unsigned char)text[end - 2] == 0x80 &&
        ((unsigned char)text[end - 1] == 0xA8 || (unsigned char)text[end - 1] == 0xA9))
        return 3;
    return 0;
}

size_t leadingUnicodeBlank(const std::string& text, size_t start) {
    if (start + 2 <= text.size() && (unsigned char)text[start] == 0xC2 &&
        ((unsigned char)text[start + 1] == 0xA0 || (unsigned char)text[start + 1] == 0x85))
        return 2;
    if (start + 3 <= text.size() && (unsigned char)text[start] == 0xE2 &&
        (unsigned char)text[start + 1] == 0x80 &&
        ((unsigned char)text[start + 2] == 0xA8 || (unsigned char)text[start + 2] == 0xA9))
        return 3;
    return 0;
}

// Case-insensitive for ASCII letters; other characters compare exactly.
bool equalIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::string trimmedLayoutName(const std::string& name) {
    size_t start = 0;
    size_t end = name.size();
    while (start < end) {
        if (isBlank(static_cast<unsigned char>(name[start]))) {
            ++start;
        } else if (const size_t length = leadingUnicodeBlank(name, start);
                   length && start + length <= end) {
            start += length;
        } else {
            break;
        }
    }
    while (end > start) {
        if (isBlank(static_cast<unsigned char>(name[end - 1]))) {
            --end;
        } else if (const size_t length = trailingUnicodeBlank(name, end);
                   length && end - length >= start) {
            end -= length;
        } else {
            break;
        }
    }
    return name.substr(start, end - start);
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

void LayoutsStore::write() {
    writeJSON(layouts_, file_);
}

void LayoutsStore::store(NamedLayout layout) {
    std::erase_if(layouts_, [&](const NamedLayout& old) { return old.name == layout.name; });
    layouts_.push_back(std::move(layout));
}

bool LayoutsStore::saveCurrent(const std::string& name) {
    const std::string trimmed = trimmedLayoutName(name);
    if (trimmed.empty() || !env_.capture) return false;
    Executor* main = env_.main;
    // The store outlives every capture: it is the process's one instance (tests keep theirs
    // until the queues are idle).
    env_.capture([this, main, trimmed](SessionSnapshot snapshot) {
        main->async([this, trimmed, snapshot = std::move(snapshot)] {
            store(NamedLayout{UUID::random(), trimmed, Date::now(), snapshot});
            write();
            changed();
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
    std::vector<NamedLayout> imported;
    if (std::optional<std::vector<NamedLayout>> list = readJSON<std::vector<NamedLayout>>(*file)) {
        imported = std::move(*list);
    } else if (std::optional<NamedLayout> one = readJSON<NamedLayout>(*file)) {
        imported.push_back(std::move(*one));
    }
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
