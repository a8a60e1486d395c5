// The layout file dialogs: the save dialog proposes the store's name as it is and adds ".json" to
// a typed name without a suffix, so an export never ends in ".json.json" and never hides from
// the import filter.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>

#include "panels/settings/qt/LayoutFileDialogs.h"
#include "support/TempFolder.h"

namespace brindlow {
namespace {

QString fileName(const QString& path) {
    return QString::fromStdString(std::filesystem::path(path.toStdString()).filename().string());
}

TEST(LayoutFileDialogs, TheSaveDialogProposesTheNameOnceAndAddsAMissingSuffix) {
    test::TempFolder folder;
    const auto dialog = makeLayoutExportDialog("Work.json");
    dialog->setDirectory(QString::fromStdString(folder.path().string()));
    dialog->selectFile("Work.json");
    ASSERT_EQ(dialog->selectedFiles().size(), 1);
    EXPECT_EQ(fileName(dialog->selectedFiles().front()), "Work.json");
    EXPECT_EQ(dialog->defaultSuffix(), "json");
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    // A name typed without a suffix gets it.
    dialog->selectFile("Writing");
    EXPECT_EQ(fileName(dialog->selectedFiles().front()), "Writing.json");
}

TEST(LayoutFileDialogs, ExportingWorkChoosesWorkJson) {
    test::TempFolder folder;
    QString proposed;
    // Accepts the dialog as it opens, with what it proposes.
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(QString::fromStdString(folder.path().string()));
        proposed = fileName(dialog->selectedFiles().value(0));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const std::optional<std::filesystem::path> chosen = chooseLayoutExportFile("Work.json");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(proposed, "Work.json");
    EXPECT_EQ(chosen->filename(), "Work.json");
}

TEST(LayoutFileDialogs, OnlyANameWithoutAnySuffixGetsOne) {
    EXPECT_EQ(withLayoutSuffix("/home/u/Work"), "/home/u/Work.json");
    EXPECT_EQ(withLayoutSuffix("/home/u/Work.json"), "/home/u/Work.json");
    EXPECT_EQ(withLayoutSuffix("/home/u/Work.JSON"), "/home/u/Work.JSON");
    EXPECT_EQ(withLayoutSuffix("/home/u/Work.v2"), "/home/u/Work.v2");
}

// Started from a terminal in some project folder, Brindlow must not propose that folder.
TEST(LayoutFileDialogs, BothDialogsOpenInTheHomeFolder) {
    test::TempFolder home;
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home.path().string()));
    const QString homePath = QDir(QString::fromStdString(home.path().string())).absolutePath();
    EXPECT_NE(QDir::currentPath(), homePath);

    EXPECT_EQ(makeLayoutImportDialog()->directory().absolutePath(), homePath);
    EXPECT_EQ(makeLayoutExportDialog("Work.json")->directory().absolutePath(), homePath);
    qputenv("HOME", savedHome);
}

}  // namespace
}  // namespace brindlow
