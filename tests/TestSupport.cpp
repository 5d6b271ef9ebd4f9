#include "TestSupport.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

TestFolder::TestFolder() {
    EXPECT_TRUE(dir_.isValid());
}

QString TestFolder::path(const QString& name) const {
    return dir_.filePath(name);
}

void TestFolder::write(const QString& name, const QByteArray& content) const {
    QFile file(path(name));
    QDir().mkpath(QFileInfo(file).absolutePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray TestFolder::read(const QString& name) const {
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestFolder::copyShippedLanguages() const {
    for (const char* lang : {"English", "Russian"}) {
        const QString file = QStringLiteral("tidewell.%1.lng").arg(QLatin1String(lang));
        QFile::remove(path(file));
        ASSERT_TRUE(QFile::copy(ShippedLanguageFile(QLatin1String(lang)), path(file)));
    }
}

QString ShippedLanguageFile(const QString& language) {
    return QStringLiteral(TIDEWELL_SOURCE_DIR "/lang/tidewell.%1.lng").arg(language);
}

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

AudioProbe ProbeAudio(const QString& file) {
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {"-v", "error", "-select_streams", "a:0", "-show_entries",
                   "stream=codec_name,sample_rate,channels,bit_rate:format=duration", "-of", "json",
                   file});
    AudioProbe probe;
    if (!ffprobe.waitForFinished(30000) || ffprobe.exitCode() != 0)
        return probe;
    const QJsonObject root = QJsonDocument::fromJson(ffprobe.readAllStandardOutput()).object();
    const QJsonObject stream = root.value("streams").toArray().first().toObject();
    probe.codec = stream.value("codec_name").toString();
    probe.sampleRate = stream.value("sample_rate").toString().toInt();
    probe.channels = stream.value("channels").toInt();
    probe.bitRate = stream.value("bit_rate").toString().toInt();
    probe.duration = root.value("format").toObject().value("duration").toString().toDouble();
    probe.ok = !probe.codec.isEmpty();
    return probe;
}

bool RanAsUnprivilegedUser() {
    if (::geteuid() != 0)
        return false;
    const passwd* nobody = ::getpwnam("nobody");
    EXPECT_NE(nobody, nullptr);
    if (!nobody)
        return true;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QByteArray filter =
        QByteArray("--gtest_filter=") + test->test_suite_name() + '.' + test->name();
    const QByteArray uid = "--reuid=" + QByteArray::number(nobody->pw_uid);
    const QByteArray gid = "--regid=" + QByteArray::number(nobody->pw_gid);
    const QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());
    QTemporaryFile output;
    EXPECT_TRUE(output.open());
    // A plain spawn: the race detector cannot follow QProcess's start in a threaded test.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output.handle(), 1);
    posix_spawn_file_actions_adddup2(&actions, output.handle(), 2);
    const char* argv[] = {"setpriv", uid.constData(),  gid.constData(),    "--clear-groups",
                          "--",      self.constData(), filter.constData(), nullptr};
    pid_t pid = -1;
    const int spawned =
        posix_spawnp(&pid, "setpriv", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = -1;
    if (spawned == 0)
        ::waitpid(pid, &status, 0);
    output.seek(0); // the child moved the shared offset to the end
    const QByteArray out = output.readAll();
    EXPECT_EQ(spawned, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test.")) << out.toStdString();
    return true;
}

QStringList RecordedFiles(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, {QStringLiteral("*.MP3")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

DialogButton ScriptedPresenter::Present(const DialogRequest& request) {
    texts << request.text;
    return answers.isEmpty() ? request.defaultButton : answers.takeFirst();
}
