#include "app/qt/LayoutsEnvironment.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QString>

#include "controller/StripController.h"

namespace brindlow {

namespace {

const QString kLayoutFilter = QStringLiteral("Brindlow layouts (*.json)");

}  // namespace

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
    environment.chooseImportFile = []() -> std::optional<std::filesystem::path> {
        const QString file = QFileDialog::getOpenFileName(nullptr, QStringLiteral("Import Layouts"),
                                                          QString(), kLayoutFilter);
        if (file.isEmpty()) return std::nullopt;
        return std::filesystem::path(file.toStdString());
    };
    environment.chooseExportFile =
        [](const std::string& name) -> std::optional<std::filesystem::path> {
        const QString file =
            QFileDialog::getSaveFileName(nullptr, QStringLiteral("Export Layout"),
                                         QString::fromStdString(name + ".json"), kLayoutFilter);
        if (file.isEmpty()) return std::nullopt;
        return std::filesystem::path(file.toStdString());
    };
    environment.alert = [](const std::string& message) {
        QMessageBox::warning(nullptr, QStringLiteral("Brindlow"), QString::fromStdString(message));
    };
    return environment;
}

}  // namespace brindlow
