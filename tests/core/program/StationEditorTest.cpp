#include "program/StationEditor.h"
#include "TestSupport.h"
#include "codec/ACM.h"
#include "codec/LameDriver.h"
#include "lang/DialogRequest.h"
#include "program/ProgramCore.h"
#include "settings/IniFile.h"
#include "station/StationEngine.h"

#include <gtest/gtest.h>

namespace {

const QString kLame = LameDriver().LongName();

class StationEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.copyShippedLanguages();
        core = std::make_unique<ProgramCore>(ProgramPaths::Resolve(folder.path("tidewell"), {}),
                                             &presenter);
        ASSERT_TRUE(core->Create());
        core->Stations().CreateStation(0, "Jazz");
        core->Stations().CreateStation(1, "Rock");
    }
    StationConfig record() const {
        StationConfig c = core->Stations().At(0)->Station().Config;
        c.URL = "http://127.0.0.1:9/jazz";
        c.Driver = kLame;
        c.Codec = 67; // 64 kBit/s, 22050 Hz, Mono
        c.Bitrate = 22050;
        c.Channels = 1;
        return c;
    }
    // The form as the dialog shows it: the codec boxes filled from the catalogue.
    static StationForm filled(StationEditor& e, const StationConfig& c) {
        StationForm form = e.FillParm(0, 0, true, c);
        const StationEditor::CodecLists lists = e.FillCodecs(form.rateIndex, form.stereoIndex);
        form.driver = lists.drivers.value(lists.driver);
        form.format = lists.formats.value(lists.format);
        return form;
    }
    StationEditor editor(bool device = true) {
        return StationEditor(core->Language(), catalogue, core->Stations(),
                             core->Paths().settingsFile, device);
    }

    TestFolder folder;
    ScriptedPresenter presenter;
    std::unique_ptr<ProgramCore> core;
    TACM catalogue{ACM_ENCODE, 44100, 2, WAVE_FORMAT_MPEGLAYER3, false};
};

} // namespace

TEST_F(StationEditorTest, TheResultTellsHowFarAChangeReaches) {
    struct Case {
        std::function<void(StationForm&)> change;
        int result;
    };
    const QList<Case> cases = {
        {[](StationForm& f) { f.name = "Jazz FM"; }, StationEditor::kNoRestart},
        {[](StationForm& f) { f.folder = "JazzArchive"; }, StationEditor::kRecordingChanged},
        {[](StationForm& f) { f.rateIndex = 1; }, StationEditor::kRecordingChanged},
        {[](StationForm& f) { f.stereoIndex = 1; }, StationEditor::kRecordingChanged},
        {[](StationForm& f) {
             f.url = "http://127.0.0.1:9/other";
             f.folder = "Other";
         },
         StationEditor::kUrlChanged},
    };
    for (const Case& c : cases) {
        StationEditor e = editor();
        StationForm form = filled(e, record());
        ASSERT_FALSE(form.format.isEmpty());
        c.change(form);
        EXPECT_EQ(e.SBSaveClick(form), c.result) << form.name.toStdString();
    }
    // What was saved last is in the station's section.
    const IniDocument ini = IniFile(core->Paths().settingsFile).load();
    EXPECT_EQ(ini.readString("Channel0", "URL", ""), "http://127.0.0.1:9/other");
    EXPECT_EQ(ini.readString("Channel0", "Driver", ""), kLame);
    EXPECT_EQ(ini.readInteger("Channel0", "Codec", 0), 67);
}

TEST_F(StationEditorTest, TheCodecListsFollowTheStoredChoice) {
    StationEditor e = editor();
    StationForm form = e.FillParm(0, 0, true, record());
    StationEditor::CodecLists lists = e.FillCodecs(form.rateIndex, form.stereoIndex);
    ASSERT_EQ(lists.drivers, QStringList{kLame});
    EXPECT_EQ(lists.driver, 0);
    EXPECT_EQ(lists.formats.value(lists.format), "64 kBit/s, 22050 Hz, Mono");
    // Another rate: the stored index names no format there, so the box stays blank.
    lists = e.FillCodecs(0, form.stereoIndex);
    EXPECT_EQ(lists.format, -1);
    EXPECT_TRUE(lists.formats.first().endsWith("48000 Hz, Mono"));
    // A driver that is not installed leaves both boxes blank; Codec -1 as well.
    StationConfig unknown = record();
    unknown.Driver = "Gone Codec";
    e.FillParm(0, 0, true, unknown);
    lists = e.FillCodecs(form.rateIndex, form.stereoIndex);
    EXPECT_EQ(lists.driver, -1);
    EXPECT_TRUE(lists.formats.isEmpty());
    // Saving with a format picked at the new rate stores its index.
    form = e.FillParm(0, 0, true, record());
    lists = e.CBDriverChange(kLame, 0, 1);
    form.rateIndex = 0;
    form.stereoIndex = 1;
    form.driver = kLame;
    form.format = "128 kBit/s, 48000 Hz, Stereo";
    ASSERT_EQ(e.SBSaveClick(form), StationEditor::kRecordingChanged);
    const AcmFormatEntry* f = catalogue.FindFormat(kLame, form.format);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(e.Edited().Codec, int(f->FormatIndex));
    EXPECT_EQ(e.Edited().Bitrate, 48000);
    EXPECT_EQ(e.Edited().Channels, 2);
}

TEST_F(StationEditorTest, RefusedInputKeepsTheDialogOpen) {
    const QList<std::pair<std::function<void(StationForm&)>, QString>> cases = {
        {[](StationForm& f) { f.name = "  "; }, "Please enter a name for the station."},
        {[](StationForm& f) { f.folder = ""; },
         "Please enter the folder the station records into."},
        {[](StationForm& f) { f.url = ""; }, "Please enter the address (URL) of the stream."},
        {[](StationForm& f) { f.name = "Rock"; }, "A station named \"Rock\" already exists."},
        {[](StationForm& f) { f.folder = "Rock"; }, "The folder \"Rock\" is already used"},
        {[](StationForm& f) {
             f.mode = 2;
             f.driver.clear();
         },
         "choose an MP3 compression driver"},
        {[](StationForm& f) {
             f.mode = 2;
             f.format.clear();
         },
         "choose a compression format"},
    };
    for (const auto& [change, text] : cases) {
        presenter.texts.clear();
        StationEditor e = editor();
        StationForm form = e.FillParm(0, 0, true, record());
        form.driver = kLame;
        form.format = "64 kBit/s, 22050 Hz, Mono";
        change(form);
        EXPECT_EQ(e.SBSaveClick(form), 0) << text.toStdString();
        ASSERT_EQ(presenter.texts.size(), 1);
        EXPECT_TRUE(presenter.texts[0].contains(text)) << presenter.texts[0].toStdString();
    }
    // Keeping its own name and folder is allowed.
    StationEditor e = editor();
    StationForm form = filled(e, record());
    EXPECT_EQ(e.SBSaveClick(form), StationEditor::kNoRestart);
}

// Without an output device the compression group and the recording start mode are
// hidden; a station stored with that mode keeps it when saved.
TEST_F(StationEditorTest, AHiddenRecordingModeIsKept) {
    StationConfig c = record();
    c.Mode = 2;
    StationEditor e = editor(false);
    StationForm form = filled(e, c);
    EXPECT_FALSE(e.CompressionVisible());
    EXPECT_EQ(e.ModeCount(), 2);
    EXPECT_EQ(form.mode, -1);
    EXPECT_EQ(e.SBSaveClick(form), StationEditor::kNoRestart);
    EXPECT_EQ(e.Edited().Mode, 2);
    form.mode = 1;
    EXPECT_EQ(e.SBSaveClick(form), StationEditor::kNoRestart);
    EXPECT_EQ(e.Edited().Mode, 1);
}

TEST_F(StationEditorTest, DeletionAsksAndHandsOverToTheRegistry) {
    StationRegistry& stations = core->Stations();
    struct Case {
        int saveFiles;
        QList<DialogButton> answers;
        bool deletes;
        bool erase;
        int questions;
    };
    const QList<Case> cases = {
        {0, {DialogButton::No}, false, false, 1},
        {0, {DialogButton::Yes}, true, false, 1},
        {5, {DialogButton::Yes, DialogButton::Cancel}, false, false, 2},
        {5, {DialogButton::Yes, DialogButton::No}, true, false, 2},
        {5, {DialogButton::Yes, DialogButton::Yes}, true, true, 2},
    };
    for (const Case& c : cases) {
        stations.PendingDeleteIndex = -1;
        stations.DeleteStationFiles = false;
        presenter.texts.clear();
        presenter.answers = c.answers;
        StationConfig r = record();
        r.SaveFiles = c.saveFiles;
        StationEditor e = editor();
        e.FillParm(1, 1, true, r);
        EXPECT_EQ(e.SBDeleteClick(), c.deletes);
        EXPECT_EQ(presenter.texts.size(), c.questions);
        EXPECT_EQ(stations.PendingDeleteIndex, c.deletes ? 1 : -1);
        EXPECT_EQ(stations.DeleteStationFiles, c.erase);
    }
}

TEST_F(StationEditorTest, SliderTexts) {
    EXPECT_EQ(StationEditor::SecondsText(5), "  5 sec");
    EXPECT_EQ(StationEditor::SecondsText(120), "120 sec");
    EXPECT_EQ(StationEditor::LevelText(-32), "-32 Db");
}
