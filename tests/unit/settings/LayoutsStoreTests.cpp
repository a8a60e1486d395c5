#include <gtest/gtest.h>

#include <fstream>

#include "platform/Log.h"
#include "platform/ManualExecutor.h"
#include "settings/JSONFiles.h"
#include "settings/LayoutsStore.h"
#include "support/FailingFileCalls.h"
#include "support/QuietLog.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

SessionSnapshot arrangement(std::vector<std::string> bundleIDs) {
    SessionSnapshot snapshot;
    DisplayDescriptor display;
    display.uuid = "LEFT";
    display.name = "Left";
    for (const std::string& bundleID : bundleIDs) {
        ColumnDescriptor column;
        column.windows = {{bundleID, "title of " + bundleID}};
        column.weights = {1.0};
        column.widthFraction = 0.5;
        display.columns.push_back(column);
    }
    snapshot.displays.push_back(display);
    snapshot.saved = Date{800000000};
    return snapshot;
}

// A strip controller, workspace and panels as the store sees them; the controller's answers come
// back on a queue of their own, as they do from the strip queue.
class LayoutsStoreTest : public test::QuietLogTest {
  protected:
    VirtualTime time;
    ManualExecutor main{time, "main"};
    ManualExecutor strip{time, "strip"};
    test::TempFolder folder;
    SessionSnapshot current = arrangement({"org.example.editor"});
    std::set<std::string> running = {"org.example.editor"};
    std::map<std::string, std::string> installed;
    std::vector<std::pair<double, SessionSnapshot>> restores;
    std::vector<std::string> opened;
    std::vector<std::string> alerts;
    int activations = 0;
    std::optional<std::filesystem::path> pickedFile;
    std::vector<std::string> suggestedNames;
    std::unique_ptr<LayoutsStore> store;

    std::filesystem::path file() const { return folder.path() / "layouts.json"; }

    LayoutsStore::Environment environment() {
        LayoutsStore::Environment env;
        env.main = &main;
        env.capture = [this](std::function<void(SessionSnapshot)> done) {
            strip.async([this, done] { done(current); });
        };
        env.restore = [this](const SessionSnapshot& snapshot,
                             std::function<void(std::set<std::string>)> done) {
            strip.async([this, snapshot, done] {
                restores.emplace_back(time.now(), snapshot);
                std::set<std::string> missing;
                for (const std::string& id : snapshot.bundleIDs())
                    if (!running.contains(id)) missing.insert(id);
                done(missing);
            });
        };
        env.applicationURL = [this](const std::string& bundleID) -> std::optional<std::string> {
            const auto found = installed.find(bundleID);
            if (found == installed.end()) return std::nullopt;
            return found->second;
        };
        env.openApplication = [this](const std::string& url) { opened.push_back(url); };
        env.activate = [this] { ++activations; };
        env.chooseImportFile = [this] { return pickedFile; };
        env.chooseExportFile = [this](const std::string& name) {
            suggestedNames.push_back(name);
            return pickedFile;
        };
        env.alert = [this](const std::string& text) { alerts.push_back(text); };
        return env;
    }

    LayoutsStore& make() {
        store = std::make_unique<LayoutsStore>(file(), environment());
        return *store;
    }

    std::vector<NamedLayout> onDisk() const {
        return readJSON<std::vector<NamedLayout>>(file()).value_or(std::vector<NamedLayout>{});
    }
};

// A name made only of spaces, ASCII or Unicode, is blank: refused and never captured.
TEST_F(LayoutsStoreTest, SavingTrimsTheNameAndStoresTheCapturedArrangement) {
    make();
    int changes = 0;
    store->addObserver([&] { ++changes; });
    for (const std::string& blank : {std::string(""), std::string("\n\t "), std::string("\xC2\xA0"),
                                     std::string("\u3000\u2009")})
        EXPECT_FALSE(store->saveCurrent(blank)) << blank;
    EXPECT_TRUE(store->saveCurrent("  Work \n"));
    EXPECT_TRUE(store->layouts().empty());  // not before the capture arrives
    time.runUntilIdle();
    ASSERT_EQ(store->layouts().size(), 1u);
    EXPECT_EQ(store->layouts()[0].name, "Work");
    EXPECT_EQ(store->layouts()[0].snapshot, current);
    EXPECT_EQ(onDisk(), store->layouts());
    EXPECT_EQ(changes, 1);
}

TEST_F(LayoutsStoreTest, SavingAgainUnderTheSameNameReplacesItAtTheEnd) {
    make();
    store->saveCurrent("Work");
    store->saveCurrent("Home");
    time.runUntilIdle();
    const UUID first = store->layouts()[0].id;
    current = arrangement({"org.example.term"});
    store->saveCurrent("Work");
    store->saveCurrent("work");  // another letter case is another layout
    time.runUntilIdle();
    ASSERT_EQ(store->names(), (std::vector<std::string>{"Home", "Work", "work"}));
    EXPECT_NE(store->layouts()[1].id, first);
    EXPECT_EQ(store->layouts()[1].snapshot, current);
}

// Names in any script are found ignoring their letter case; of two that differ only in case, the
// earlier one wins.
TEST_F(LayoutsStoreTest, RestoringByNameIgnoresCaseAndTheEarlierLayoutWins) {
    make();
    store->saveCurrent("\u3000Büro\u2003");
    store->saveCurrent("Работа");
    time.runUntilIdle();
    current = arrangement({"org.example.editor", "org.example.editor"});
    store->saveCurrent("BÜRO");
    time.runUntilIdle();
    EXPECT_EQ(store->names(), (std::vector<std::string>{"Büro", "Работа", "BÜRO"}));
    EXPECT_TRUE(store->apply("büro"));
    EXPECT_TRUE(store->apply("работа"));
    EXPECT_FALSE(store->apply("Buro"));
    time.runUntilIdle();
    ASSERT_EQ(restores.size(), 2u);
    EXPECT_EQ(restores[0].second, store->layouts()[0].snapshot);
    time.advance(10);
    EXPECT_EQ(restores.size(), 2u);  // everything runs: no second restore
    EXPECT_TRUE(opened.empty());
}

TEST_F(LayoutsStoreTest, MissingApplicationsAreLaunchedAndTheLayoutRestoredAgainFourSecondsLater) {
    make();
    current =
        arrangement({"org.example.editor", "org.example.mail", "Unbundled", "org.example.gone"});
    store->saveCurrent("All");
    time.runUntilIdle();
    installed = {{"org.example.mail", "/usr/share/applications/mail.desktop"}};
    const double start = time.now();
    EXPECT_TRUE(store->apply("all"));
    time.runUntilIdle();
    EXPECT_EQ(opened, (std::vector<std::string>{"/usr/share/applications/mail.desktop"}));
    ASSERT_EQ(restores.size(), 1u);
    time.advance(10);
    // The second restore's answer is ignored: no third one.
    ASSERT_EQ(restores.size(), 2u);
    EXPECT_DOUBLE_EQ(restores[1].first - start, 4.0);
    EXPECT_EQ(restores[1].second, restores[0].second);
    EXPECT_EQ(opened.size(), 1u);

    // Nothing to launch this time: restored again all the same.
    installed.clear();
    store->apply(store->layouts()[0]);
    time.advance(5);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(restores.size(), 4u);
}

TEST_F(LayoutsStoreTest, DeletingRewritesTheFileEvenWhenNothingMatched) {
    make();
    store->saveCurrent("a");
    store->saveCurrent("b");
    time.runUntilIdle();
    store->remove(store->layouts()[0].id);
    EXPECT_EQ(store->names(), (std::vector<std::string>{"b"}));
    EXPECT_EQ(onDisk(), store->layouts());
    std::filesystem::remove(file());
    store->remove(UUID::random());
    EXPECT_EQ(onDisk(), store->layouts());
}

TEST_F(LayoutsStoreTest, TheListSurvivesAReloadAndAnUnreadableFileStartsEmpty) {
    make();
    store->saveCurrent("a");
    time.runUntilIdle();
    const std::vector<NamedLayout> saved = store->layouts();
    make();
    EXPECT_EQ(store->layouts(), saved);

    std::ofstream(file()) << "[{\"name\": 3}]";
    make();
    EXPECT_TRUE(store->layouts().empty());
}

TEST_F(LayoutsStoreTest, ExportThenImportGivesAFreshIdentityAtTheEnd) {
    make();
    store->saveCurrent("Work");
    store->saveCurrent("Home");
    time.runUntilIdle();
    const NamedLayout work = store->layouts()[0];
    pickedFile = folder.path() / "Work.json";
    store->exportLayout(work);
    EXPECT_EQ(suggestedNames, (std::vector<std::string>{"Work.json"}));
    EXPECT_EQ(readJSON<NamedLayout>(*pickedFile), work);  // one object, unchanged

    store->importLayouts();
    ASSERT_EQ(store->names(), (std::vector<std::string>{"Home", "Work"}));
    EXPECT_NE(store->layouts()[1].id, work.id);
    EXPECT_EQ(store->layouts()[1].created, work.created);
    EXPECT_EQ(store->layouts()[1].snapshot, work.snapshot);
    EXPECT_EQ(onDisk(), store->layouts());
    EXPECT_EQ(activations, 2);
}

TEST_F(LayoutsStoreTest, ImportingAnArrayKeepsTheLastOfEqualNames) {
    make();
    NamedLayout first{UUID::random(), "Same", Date{1}, arrangement({"a"})};
    NamedLayout second{UUID::random(), "Same", Date{2}, arrangement({"b"})};
    pickedFile = folder.path() / "two.json";
    writeJSON(std::vector<NamedLayout>{first, second}, *pickedFile);
    store->importLayouts();
    ASSERT_EQ(store->layouts().size(), 1u);
    EXPECT_EQ(store->layouts()[0].created, Date{2});
    EXPECT_NE(store->layouts()[0].id, second.id);
}

TEST_F(LayoutsStoreTest, ImportingSomethingElseShowsTheAlertAndCancelledPanelsDoNothing) {
    make();
    store->saveCurrent("keep");
    time.runUntilIdle();
    const std::vector<NamedLayout> before = store->layouts();
    // A list without a layout is no layout either.
    pickedFile = folder.path() / "empty.json";
    std::ofstream(*pickedFile) << "[]";
    store->importLayouts();
    pickedFile.reset();
    store->importLayouts();
    store->exportLayout(store->layouts()[0]);
    EXPECT_EQ(alerts, std::vector<std::string>{"This file is not a Brindlow layout."});
    EXPECT_EQ(store->layouts(), before);
}

// Picking the wrong file is harmless: nothing is marked, so later writes to those paths keep no
// "unreadable" copy and log nothing about one.
TEST_F(LayoutsStoreTest, AFailedOrSingleLayoutImportNeverMarksTheFile) {
    make();
    store->saveCurrent("Work");
    time.runUntilIdle();
    const NamedLayout work = store->layouts()[0];
    const std::filesystem::path settingsFile = folder.path() / "settings.json";
    const std::filesystem::path notJSON = folder.path() / "notes.json";
    const std::filesystem::path oneLayout = folder.path() / "Work.json";
    std::ofstream(settingsFile) << R"({"gap" : 12, "focusBorder" : true})";
    std::ofstream(notJSON) << "{ not json";
    writeJSON(work, oneLayout);
    for (const auto& picked : {settingsFile, notJSON, oneLayout}) {
        pickedFile = picked;
        store->importLayouts();
    }
    EXPECT_EQ(alerts, (std::vector<std::string>{"This file is not a Brindlow layout.",
                                                "This file is not a Brindlow layout."}));
    EXPECT_EQ(store->names(), (std::vector<std::string>{"Work"}));
    for (const auto& picked : {settingsFile, notJSON, oneLayout}) {
        writeJSON(work, picked);
        std::filesystem::path aside = picked;
        aside += ".unreadable";
        EXPECT_FALSE(std::filesystem::exists(aside)) << aside;
    }
}

}  // namespace
}  // namespace brindlow

namespace brindlow {
namespace {

TEST_F(LayoutsStoreTest, SavingOverAnUnreadableFileKeepsItAside) {
    make();
    store->saveCurrent("Work");
    time.runUntilIdle();
    const std::optional<std::string> withWork = readFileBytes(file());
    test::FailingFileCalls calls;
    calls.makeUnreadable(file());
    make();
    EXPECT_TRUE(store->layouts().empty());
    store->saveCurrent("Second");
    time.runUntilIdle();
    std::filesystem::path aside = file();
    aside += ".unreadable";
    test::FailingFileCalls readable;
    EXPECT_EQ(readFileBytes(aside), withWork);
    EXPECT_EQ(onDisk().size(), 1u);
    EXPECT_EQ(onDisk()[0].name, "Second");
}

TEST_F(LayoutsStoreTest, SaveOnAFullDiskReportsWhyAndTheFileKeepsItsLayouts) {
    make();
    store->saveCurrent("Work");
    time.runUntilIdle();
    const std::optional<std::string> withWork = readFileBytes(file());
    test::FailingFileCalls calls;
    calls.failWritesWith(ENOSPC);
    std::vector<WriteFailure> reports;
    EXPECT_TRUE(store->saveCurrent("Full", [&](WriteFailure failure) {
        EXPECT_TRUE(main.isCurrent());
        reports.push_back(failure);
    }));
    time.runUntilIdle();
    EXPECT_EQ(reports, std::vector<WriteFailure>{std::string("No space left on device")});
    EXPECT_EQ(readFileBytes(file()), withWork);
    EXPECT_EQ(
        test::errorsMentioning("Could not write layouts.json: No space left on device").size(), 1u);
    EXPECT_TRUE(alerts.empty());  // the completion reports it

    // Saved from the menu or the settings window, without a completion: the user is told.
    store->saveCurrent("Full");
    time.runUntilIdle();
    EXPECT_EQ(alerts, std::vector<std::string>{
                          "Could not save the layout Full: No space left on device. It stays "
                          "listed until Brindlow quits, and is written with the next change to "
                          "the layouts that can be."});

    calls.failWritesWith(0);
    store->saveCurrent("Full", [&](WriteFailure failure) { reports.push_back(failure); });
    time.runUntilIdle();
    EXPECT_EQ(reports.back(), std::nullopt);
    EXPECT_EQ(onDisk().size(), 2u);
}

}  // namespace
}  // namespace brindlow
