#include "notify/RunExec.h"
#include "TestSupport.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A script that leaves a marker file in its working folder.
QString markerScript(const TestFolder& folder, const QString& name) {
    folder.write(name, "#!/bin/sh\ntouch \"$(pwd)/ran-$(basename \"$0\")\"\n");
    QFile::setPermissions(folder.path(name),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return folder.path(name);
}

bool appears(const QString& path) {
    return QTest::qWaitFor([&] { return QFile::exists(path); }, 5000);
}

} // namespace

TEST(RunExec, RunsProgramsInTheirFolderAndCommandLines) {
    TestFolder folder;
    EXPECT_TRUE(RunExec("  " + markerScript(folder, "break.sh") + "  "));
    EXPECT_TRUE(appears(folder.path("ran-break.sh")));
    // A quoted path with a space: the quotes go, the space stays.
    const QString spaced = markerScript(folder, "sub dir/restore.sh");
    EXPECT_TRUE(RunExec("\"" + spaced + "\""));
    EXPECT_TRUE(appears(folder.path("sub dir/ran-restore.sh")));
    EXPECT_TRUE(RunExec("touch " + folder.path("from-command-line")));
    EXPECT_TRUE(appears(folder.path("from-command-line")));
    EXPECT_FALSE(RunExec("   "));
    EXPECT_FALSE(RunExec("no-such-program-anywhere --flag"));
}
