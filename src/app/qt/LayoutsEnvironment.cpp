#include "app/qt/LayoutsEnvironment.h"

#include <QMessageBox>
#include <QString>

#include "controller/StripController.h"
#include "panels/settings/qt/LayoutFileDialogs.h"

namespace brindlow {

LayoutsStore::Environment layoutsEnvironment(StripController& controller,
                                             const Platform& platform) {
    LayoutsStore::Environment environment;
    StripController* strip = &controller;
    environment.main = platform.main;
    environment.capture = [strip](std::function<void(SessionSnapshot)> completion) {
        strip->captureSnapshot(std::move(completion));
    };
    environment.restore = [strip](const SessionSnapshot& snapshot,
                                  std::function<void(std::set<std::string>)> completion) {
        strip->restoreLayout(snapshot, std::move(completion));
    };
    Workspace* workspace = platform.workspace;
    environment.applicationURL = [workspace](const std::string& bundleID) {
        return workspace->urlForApplication(bundleID);
    };
    environment.openApplication = [workspace](const std::string& url) {
        workspace->openApplication(url);
    };
    // No application activation on X11: the dialogs below are ordinary top-level windows.
    environment.activate = [] {};
    environment.chooseImportFile = [] { return chooseLayoutImportFile(); };
    // The store proposes the file name, ".json" included.
    environment.chooseExportFile = [](const std::string& proposedName) {
        return chooseLayoutExportFile(proposedName);
    };
    environment.alert = [](const std::string& message) {
        QMessageBox::warning(nullptr, QStringLiteral("Brindlow"), QString::fromStdString(message));
    };
    return environment;
}

}  // namespace brindlow
