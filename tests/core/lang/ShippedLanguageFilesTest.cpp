#include "TestSupport.h"
#include "lang/LanguageEntries.h"
#include "settings/IniFile.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Keys the program relies on that are not written out as a literal look-up.
const QStringList kRequired = {
    "Language",
    "Locale",
    "EMailCodePage",
    "Dialog.Warning",
    "Dialog.Error",
    "Dialog.Information",
    "Dialog.Confirm",
    "Dialog.Custom",
    "Button.OK",
    "Button.Cancel",
    "Button.Yes",
    "Button.No",
    "Button.Help",
    "Button.Ignore",
    "Button.Retry",
    "Button.Abort",
    "Button.All",
    "Button.YesToAll",
    "Button.NoToAll",
    "Dialog.Exit",
    "Dialog.Maximum",
    "Dialog.ErrorCreateCh",
    "Dialog.AlreadyExists",
    "Dialog.FolderInUse",
    "Dialog.SetNameCh",
    "Dialog.SetFolder",
    "Dialog.SetURL",
    "Dialog.SetDriver",
    "Dialog.SetQual",
    "Dialog.DeleteChannel",
    "Dialog.DeleteFiles",
    "Dialog.PathFileName",
    "Dialog.RootPath",
    "Dialog.EMailReceive",
    "Dialog.EMailSender",
    "Dialog.EMailSMTP",
    "Dialog.EMailUser",
    "MSG.TestMSG",
    "MSG.RestoreConnect",
    "MSG.CantPlay",
    "MSG.SilenceChannel",
    "MSG.RestoreChannel",
    "MSG.FreeSpace",
    "MSG.ErrorCreateFolder",
    "MSG.ErrorDeleteFile",
    "MSG.ErrorCreateFile",
    "MSG.ErrorCodec",
    "MSG.ErrorRec",
    "MSG.Stop",
    "MSG.Connect",
    "MSG.Buffering",
    "MSG.Error",
    "MSG.LessSize",
    "MSG.Recording",
    "MSG.Silence",
    "MSG.Online",
};

// Every key the sources look up by a literal name in the constants.
QStringList keysLookedUpInSources() {
    static const QRegularExpression call(
        R"re((GetMessage|ShowDialog|GetConstant|GetConstantInt)\(\s*(?:QStringLiteral\()?"([A-Za-z0-9_.]*[A-Za-z0-9_])"\)?\s*[,)])re");
    QStringList keys;
    QDirIterator it(QStringLiteral(TIDEWELL_SOURCE_DIR "/src"), {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpressionMatch& m : call.globalMatch(text)) {
            const QString kind = m.captured(1);
            const QString prefix = kind == "GetMessage"   ? "MSG."
                                   : kind == "ShowDialog" ? "Dialog."
                                                          : "";
            keys << prefix + m.captured(2);
        }
    }
    return keys;
}

QStringList constantKeys(const QString& language) {
    QStringList keys;
    for (const QString& line :
         IniFile(ShippedLanguageFile(language)).load().sectionLines("Constants")) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && !line.startsWith(u';'))
            keys << line.left(eq).trimmed().toUpper();
    }
    return keys;
}

// The conversions of a text in the order they take their arguments.
QStringList conversions(const QString& text) {
    static const QRegularExpression conversion(R"(%(?:(\d+):)?-?\d*(?:\.\d+)?([a-zA-Z%]))");
    QList<std::pair<int, QString>> found;
    int next = 0;
    for (const QRegularExpressionMatch& m : conversion.globalMatch(text)) {
        if (m.captured(2) == "%")
            continue;
        if (!m.captured(1).isEmpty())
            next = m.captured(1).toInt();
        found.append({next++, m.captured(2).toLower()});
    }
    std::sort(found.begin(), found.end());
    QStringList types;
    for (const auto& f : found)
        types << f.second;
    return types;
}

LanguageEntries constants(const QString& language) {
    return LanguageEntries::FromLines(
        IniFile(ShippedLanguageFile(language)).load().sectionLines("Constants"));
}

} // namespace

TEST(ShippedLanguageFiles, DefineEveryKeyTheProgramUses) {
    const QStringList used = kRequired + keysLookedUpInSources();
    for (const QString language : {"English", "Russian"}) {
        ASSERT_TRUE(QFile::exists(ShippedLanguageFile(language))) << language.toStdString();
        const LanguageEntries entries = constants(language);
        for (const QString& key : used) {
            const QString* value = entries.find(key);
            EXPECT_TRUE(value && !value->isEmpty())
                << language.toStdString() << " lacks " << key.toStdString();
        }
    }
}

TEST(ShippedLanguageFiles, AgreeOnKeysAndArguments) {
    QStringList english = constantKeys("English");
    QStringList russian = constantKeys("Russian");
    EXPECT_EQ(english.removeDuplicates(), 0) << "a key is defined twice in English";
    EXPECT_EQ(russian.removeDuplicates(), 0) << "a key is defined twice in Russian";
    english.sort();
    russian.sort();
    EXPECT_EQ(english, russian);
    const LanguageEntries en = constants("English");
    const LanguageEntries ru = constants("Russian");
    for (const QString& key : english) {
        const QString* a = en.find(key);
        const QString* b = ru.find(key);
        ASSERT_TRUE(a && b) << key.toStdString();
        EXPECT_EQ(conversions(*a), conversions(*b)) << key.toStdString();
        // A value at the cut length was most likely cut short.
        EXPECT_LT(a->size(), LanguageEntries::kMaxLength) << key.toStdString();
        EXPECT_LT(b->size(), LanguageEntries::kMaxLength) << key.toStdString();
    }
    EXPECT_EQ(*en.find("Locale"), "1033");
    EXPECT_EQ(*ru.find("Locale"), "1049");
}
