#include "TestSupport.h"
#include "lang/QVLanguage.h"

#include <gtest/gtest.h>

namespace {

// Records what would have been shown and answers with a chosen button.
class RecordingPresenter : public DialogPresenter {
public:
    DialogButton Present(const DialogRequest& request) override {
        shown.append(request);
        return answer;
    }
    QList<DialogRequest> shown;
    DialogButton answer = DialogButton::OK;
};

class LanguageTest : public ::testing::Test {
protected:
    QString prefix() const { return folder.path(QStringLiteral("rec.")); }
    void writeLanguage(const QString& name, const QByteArray& constants) const {
        folder.write(QStringLiteral("rec.") + name, "[Constants]\n" + constants);
    }
    TestFolder folder;
    RecordingPresenter presenter;
};

} // namespace

TEST_F(LanguageTest, NoLanguageFileIsReportedAndFails) {
    TLanguage lang(prefix(), &presenter);
    EXPECT_FALSE(
        lang.LoadLanguage(QString(), QStringLiteral("Settings"), QStringLiteral("English.lng")));
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].text,
              QStringLiteral("The language files don't exits!\r") + prefix() + "*.lng");
    EXPECT_EQ(presenter.shown[0].type, DialogType::Error);
}

TEST_F(LanguageTest, TheOnlyFileIsLoadedWhateverTheSettingsSay) {
    writeLanguage("German.lng", "Language=Deutsch\n");
    folder.write("rec.ini", "[Settings]\nLanguage=English.lng\n");
    TLanguage lang(prefix(), &presenter);
    ASSERT_TRUE(
        lang.LoadLanguage(QString(), QStringLiteral("Settings"), QStringLiteral("English.lng")));
    EXPECT_EQ(lang.CurrentFile(), folder.path("rec.German.lng"));
    EXPECT_EQ(lang.GetConstant("Language"), "Deutsch");
}

TEST_F(LanguageTest, SettingsChooseAmongSeveralFallingBackToTheFirst) {
    writeLanguage("beta.lng", "Language=Beta\n");
    writeLanguage("Alpha.lng", "Language=Alpha\n");
    writeLanguage("Gamma.lng", "");
    folder.write("rec.ini", "[Settings]\nLanguage=GAMMA.lng\n");
    folder.write("other.ini", "[Settings]\nLanguage=Gone.lng\n");
    TLanguage lang(prefix(), &presenter);
    ASSERT_TRUE(lang.LoadLanguage(QString(), "Settings", "English.lng"));
    EXPECT_EQ(lang.CurrentFile(), folder.path("rec.Gamma.lng"));
    // A settings name without a folder is taken beside the program.
    ASSERT_TRUE(lang.LoadLanguage("other.ini", "Settings", "English.lng"));
    EXPECT_EQ(lang.CurrentFile(), folder.path("rec.Alpha.lng"));
    // No settings file at all: the default name, and it is missing too.
    ASSERT_TRUE(lang.LoadLanguage(folder.path("none.ini"), "Settings", "beta.lng"));
    EXPECT_EQ(lang.CurrentFile(), folder.path("rec.beta.lng"));
}

TEST_F(LanguageTest, ListsFindsAndSelectsLanguages) {
    writeLanguage("Russian.lng", "Language=Русский\n");
    writeLanguage("English.lng", "Language=English\n");
    writeLanguage("Klingon.lng", "");
    folder.write("rec.notes.txt", "not a language");
    TLanguage lang(prefix(), &presenter);
    EXPECT_EQ(lang.GetLanguageNames(), QStringList({"English", "Klingon", "Русский"}));
    EXPECT_EQ(lang.FindLanguage("russian.LNG"), 2);
    EXPECT_EQ(lang.FindLanguage("klingon"), 1);
    EXPECT_EQ(lang.FindLanguage("русский"), 2);
    EXPECT_EQ(lang.FindLanguage("French"), -1);
    EXPECT_EQ(lang.GetLanguageFile(0), "English.lng");
    EXPECT_EQ(lang.GetLanguageFile(3), QString());
    EXPECT_FALSE(lang.SelectLanguage(-1));
    EXPECT_TRUE(lang.SelectLanguage(2));
    EXPECT_EQ(lang.GetConstant("Language"), "Русский");
}

TEST_F(LanguageTest, EscapesAndReferences) {
    writeLanguage("English.lng", "Language=English\n"
                                 "Saved=Saved.\\nDone.\n"
                                 "Escapes=\\0\\a\\b\\t\\n\\v\\f\\r|\n"
                                 "Title=.Language edition\n"
                                 "Unknown=Visit www.example.com.\n"
                                 "Empty=\n"
                                 "UsesEmpty=x.Empty y\n"
                                 "Chain=.Title!\n"
                                 "Self=a.Self\n"
                                 "Ping=.Pong\n"
                                 "Pong=.Ping\n");
    TLanguage lang(prefix(), &presenter);
    ASSERT_TRUE(lang.LoadLanguage(QString(), "Settings", "English.lng"));
    EXPECT_EQ(lang.GetConstant("Saved"), "Saved.\r\nDone.");
    EXPECT_EQ(lang.GetConstant("Escapes"), QString::fromUtf8("\0\a\b\t\r\n\v\f\n\r|", 11));
    EXPECT_EQ(lang.GetConstant("Title"), "English edition");
    EXPECT_EQ(lang.GetConstant("Chain"), "English edition!");
    EXPECT_EQ(lang.GetConstant("Unknown"), "Visit www.example.com.");
    EXPECT_EQ(lang.GetConstant("UsesEmpty"), "x.Empty y");
    // Loops end; the innermost reference stays as written.
    EXPECT_TRUE(lang.GetConstant("Self").startsWith("aaaa"));
    EXPECT_TRUE(lang.GetConstant("Self").endsWith(".Self"));
    EXPECT_TRUE(lang.GetConstant("Ping").endsWith(".Ping") ||
                lang.GetConstant("Ping").endsWith(".Pong"));
    // Defaults go through the same expansion.
    EXPECT_EQ(lang.GetConstant("Missing", "a\\tb .Language"), "a\tb English");
}

TEST_F(LanguageTest, KeysIgnoreCaseAndLongTextsAreCut) {
    const QByteArray longValue(200, 'v');
    writeLanguage("English.lng", "msg.freespace=Only %d MB left on %s\n"
                                 "; Comment=not an entry\n"
                                 "=no key\n"
                                 "no equals sign\n"
                                 "Long=" +
                                     longValue +
                                     "\n"
                                     "Twice=first\n"
                                     "TWICE=second\n"
                                     "Number=42\n"
                                     "NotNumber=4x2\n"
                                     "Spaced = padded\n");
    TLanguage lang(prefix(), &presenter);
    ASSERT_TRUE(lang.LoadLanguage(QString(), "Settings", "English.lng"));
    EXPECT_EQ(lang.GetMessage("FreeSpace", QString(), {15, QStringLiteral("/data")}),
              "Only 15 MB left on /data");
    EXPECT_EQ(lang.GetConstant("; Comment", "none"), "none");
    EXPECT_EQ(lang.GetConstant("no equals sign", "none"), "none");
    EXPECT_EQ(lang.GetConstant("Long").size(), 192);
    EXPECT_EQ(lang.GetConstant("twice"), "first");
    EXPECT_EQ(lang.GetConstantInt("Number"), 42);
    EXPECT_EQ(lang.GetConstantInt("NotNumber"), 0);
    EXPECT_EQ(lang.GetConstantInt("Missing"), 0);
    EXPECT_EQ(lang.GetConstant("Spaced"), " padded");
    EXPECT_EQ(lang.GetDottedConstant("MSG", "FREESPACE"), "Only %d MB left on %s");
}

TEST_F(LanguageTest, MessagesFromConstantsOrAWindowSection) {
    folder.write("rec.English.lng", "[Constants]\n"
                                    "MSG.Plain=Plain text with 100%\n"
                                    "MSG.Count=%d stations\n"
                                    "[Fr_Station]\n"
                                    "MSG.Count=%d windows\n");
    TLanguage lang(prefix(), &presenter);
    ASSERT_TRUE(lang.LoadLanguage(QString(), "Settings", "English.lng"));
    EXPECT_EQ(lang.GetMessage("Count", QString(), {3}), "3 stations");
    EXPECT_EQ(lang.GetMessage("Count", "Fr_Station", {3}), "3 windows");
    // Without arguments nothing is formatted; a bad format leaves the text as it is.
    EXPECT_EQ(lang.GetMessage("Plain"), "Plain text with 100%");
    EXPECT_EQ(lang.GetMessage("Count", QString(), {QStringLiteral("x")}), "%d stations");
    EXPECT_EQ(lang.GetMessage("Missing", QString(), {1}), QString());
}

TEST_F(LanguageTest, DialogsAreComposedFromTheLanguage) {
    writeLanguage("English.lng", "Dialog.Confirm=Please confirm\n"
                                 "Dialog.Error=Trouble\n"
                                 "Button.Yes=&Sure\n"
                                 "Button.No=\n"
                                 "Dialog.FolderInUse=Folder %s is used by %s.\n"
                                 "Dialog.Broken=Folder %d\n");
    TLanguage lang(prefix(), &presenter);
    ASSERT_TRUE(lang.LoadLanguage(QString(), "Settings", "English.lng"));

    DialogRequest box = lang.BuildDialog("FolderInUse", DialogType::Confirmation,
                                         {QStringLiteral("/rec/jazz"), QStringLiteral("Jazz")},
                                         QString(), DialogButton::Yes | DialogButton::No);
    EXPECT_EQ(box.text, "Folder /rec/jazz is used by Jazz.");
    EXPECT_EQ(box.caption, "Please confirm");
    EXPECT_EQ(box.type, DialogType::Confirmation);
    ASSERT_EQ(box.buttons.size(), 2);
    EXPECT_EQ(box.buttons[0].caption, "&Sure");
    EXPECT_EQ(box.buttons[1].caption, "&No"); // an empty caption falls back
    EXPECT_EQ(box.defaultButton, DialogButton::Yes);

    const QString where = "Error in language file " + lang.CurrentFile();
    box = lang.BuildDialog("Nowhere", DialogType::Warning, {}, QString(),
                           DialogButton::Yes | DialogButton::No);
    EXPECT_EQ(box.text, where + "\r--> Dialog.Nowhere <---");
    EXPECT_EQ(box.type, DialogType::Error);
    EXPECT_EQ(box.caption, "Trouble");
    ASSERT_EQ(box.buttons.size(), 1);
    EXPECT_EQ(box.buttons[0].button, DialogButton::OK);

    box = lang.BuildDialog("Broken", DialogType::Information, {QStringLiteral("x")}, QString(),
                           DialogButton::Cancel);
    EXPECT_TRUE(box.text.startsWith(where + "\r--> Dialog.Broken\rError: "));
    EXPECT_TRUE(box.text.endsWith("\rPlease send about this error to author."));
    EXPECT_EQ(box.type, DialogType::Error);

    presenter.answer = DialogButton::No;
    EXPECT_EQ(lang.ShowDialog("FolderInUse", DialogType::Confirmation,
                              {QStringLiteral("a"), QStringLiteral("b")}, QString(),
                              DialogButton::Yes | DialogButton::No),
              DialogButton::No);
    ASSERT_EQ(presenter.shown.size(), 1);
    EXPECT_EQ(presenter.shown[0].text, "Folder a is used by b.");
}

TEST(DialogButtons, DefaultAndHeadlessAnswer) {
    EXPECT_EQ(DefaultButton(DialogButton::Yes | DialogButton::No), DialogButton::Yes);
    EXPECT_EQ(DefaultButton(DialogButton::OK | DialogButton::Cancel), DialogButton::OK);
    EXPECT_EQ(DefaultButton(DialogButton::Abort | DialogButton::Retry | DialogButton::Ignore),
              DialogButton::Retry);
    EXPECT_EQ(DefaultButton(DialogButton::Cancel), DialogButton::Cancel);
    DialogRequest box;
    box.defaultButton = DialogButton::Yes;
    LogDialogPresenter headless;
    EXPECT_EQ(headless.Present(box), DialogButton::Yes);
}
