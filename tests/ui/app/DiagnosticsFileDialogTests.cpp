#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "app/qt/DiagnosticsFileDialog.h"

namespace brindlow {
namespace {

// Started from another folder, the dialog still opens in home with the suggested name.
TEST(DiagnosticsFileDialog, OpensInHomeWhateverTheWorkingFolder) {
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QDir::tempPath()));
    const auto dialog = makeDiagnosticsSaveDialog();
    QDir::setCurrent(before);
    EXPECT_EQ(QFileInfo(dialog->directory().absolutePath()).canonicalFilePath(),
              QFileInfo(QDir::homePath()).canonicalFilePath());
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    ASSERT_EQ(dialog->selectedFiles().size(), 1);
    EXPECT_EQ(QFileInfo(dialog->selectedFiles().front()).fileName(), "Brindlow Diagnostics.txt");
}

}  // namespace
}  // namespace brindlow
