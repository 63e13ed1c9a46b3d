// Which folder holds the settings.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "app/SettingsFolder.h"
#include "support/TempDir.h"

namespace {

// Runs the body with another current directory and configuration home, restoring both.
class SettingsFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldCurrent_ = QDir::currentPath();
        hadConfigHome_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        oldConfigHome_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
        ASSERT_TRUE(QDir::setCurrent(work_.path()));
    }
    void TearDown() override {
        QDir::setCurrent(oldCurrent_);
        if (hadConfigHome_) {
            qputenv("XDG_CONFIG_HOME", oldConfigHome_);
        } else {
            qunsetenv("XDG_CONFIG_HOME");
        }
    }

    TempDir work_;
    TempDir config_;

private:
    QString oldCurrent_;
    bool hadConfigHome_ = false;
    QByteArray oldConfigHome_;
};

QString Canonical(const QString& path) {
    return QFileInfo(path).canonicalFilePath() + u'/';
}

TEST_F(SettingsFolderTest, ExplicitFolderIsCreatedAndEndsWithSlash) {
    work_.write(QStringLiteral("soft.dat"), QByteArray(19808, '\0'));  // loses to the explicit one
    const QString wanted = work_.file(QStringLiteral("a/b"));
    const QString folder = ResolveSettingsFolder(wanted);
    EXPECT_TRUE(QFileInfo(wanted).isDir());
    EXPECT_TRUE(folder.endsWith(u'/'));
    EXPECT_EQ(Canonical(folder), Canonical(wanted));
}

TEST_F(SettingsFolderTest, RelativeExplicitFolderBecomesAbsolute) {
    const QString folder = ResolveSettingsFolder(QStringLiteral("rel/dir/"));
    EXPECT_TRUE(QDir::isAbsolutePath(folder));
    EXPECT_TRUE(folder.endsWith(QStringLiteral("/rel/dir/")));
    EXPECT_EQ(Canonical(folder), Canonical(work_.file(QStringLiteral("rel/dir"))));
}

TEST_F(SettingsFolderTest, CurrentDirectoryWithSettingsFileIsUsed) {
    work_.write(QStringLiteral("soft.dat"), QByteArray(19808, '\0'));
    const QString folder = ResolveSettingsFolder(QString());
    EXPECT_TRUE(folder.endsWith(u'/'));
    EXPECT_EQ(Canonical(folder), Canonical(work_.path()));
}

TEST_F(SettingsFolderTest, OtherwiseThePerUserConfigurationFolder) {
    QDir().mkpath(work_.file(QStringLiteral("soft.dat")));  // a folder of that name does not count
    const QString folder = ResolveSettingsFolder(QString());
    EXPECT_TRUE(folder.endsWith(QStringLiteral("/quorvix/")));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(Canonical(folder), Canonical(config_.file(QStringLiteral("quorvix"))));
}

}  // namespace
