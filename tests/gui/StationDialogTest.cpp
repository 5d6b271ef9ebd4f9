#include "TestSupport.h"
#include "codec/ACM.h"
#include "codec/LameDriver.h"
#include "gui/TFr_SetStation.h"
#include "lang/DialogRequest.h"
#include "program/ProgramCore.h"
#include "settings/IniFile.h"
#include "station/StationEngine.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class StationDialog : public ::testing::Test {
protected:
    void SetUp() override {
        folder.copyShippedLanguages();
        core = std::make_unique<ProgramCore>(ProgramPaths::Resolve(folder.path("tidewell"), {}),
                                             &presenter);
        ASSERT_TRUE(core->Create());
        core->Stations().CreateStation(0, "Jazz");
    }
    StationConfig record() const {
        StationConfig c = core->Stations().At(0)->Station().Config;
        c.URL = "http://127.0.0.1:9/jazz";
        c.Driver = LameDriver().LongName();
        c.Codec = 67;
        c.Bitrate = 22050;
        c.Channels = 1;
        c.Silence = 10;
        c.Connect = 30;
        c.SaveFiles = 7;
        return c;
    }
    // The dialog's picture, for a person to look at, when TIDEWELL_SCREENSHOTS names a folder.
    static void keepPicture(QWidget& w, const QString& name) {
        const QString dir = qEnvironmentVariable("TIDEWELL_SCREENSHOTS");
        if (!dir.isEmpty())
            w.grab().save(dir + "/" + name + ".png");
    }

    TestFolder folder;
    LogDialogPresenter presenter;
    std::unique_ptr<ProgramCore> core;
    TACM catalogue{ACM_ENCODE, 44100, 2, WAVE_FORMAT_MPEGLAYER3, false};
};

} // namespace

TEST_F(StationDialog, ShowsTheRecordAndItsCodecChoice) {
    core->Settings().DeviceName = "Speakers";
    TFr_SetStation dialog(*core, catalogue);
    dialog.FillParm(0, 0, true, record());
    dialog.show();
    keepPicture(dialog, "station-settings");
    EXPECT_EQ(dialog.EName->text(), "Jazz");
    EXPECT_EQ(dialog.EURL->text(), "http://127.0.0.1:9/jazz");
    EXPECT_TRUE(dialog.GBAcm->isVisible());
    EXPECT_EQ(dialog.CBDriver->currentText(), LameDriver().LongName());
    EXPECT_EQ(dialog.CBCodec->currentText(), "64 kBit/s, 22050 Hz, Mono");
    EXPECT_EQ(dialog.rates_->checkedId(), 3);
    EXPECT_EQ(dialog.stereo_->checkedId(), 0);
    EXPECT_TRUE(dialog.CBSaveFiles->isChecked());
    EXPECT_EQ(dialog.RXSaveFiles->value(), 7);
    EXPECT_EQ(dialog.LabSilence->text(), " 10 sec");
    EXPECT_TRUE(dialog.SBDelete->isEnabled());

    // Another rate refills the formats; the stored index names none there.
    dialog.rates_->button(0)->click();
    EXPECT_EQ(dialog.CBCodec->currentIndex(), -1);
    EXPECT_TRUE(dialog.CBCodec->itemText(0).endsWith("48000 Hz, Mono"));

    // Silence off disables both silence commands; connection off both link commands.
    dialog.SlidSilence->setValue(0);
    EXPECT_FALSE(dialog.FESilence->isEnabled());
    EXPECT_FALSE(dialog.FENoSilence->isEnabled());
    dialog.SlidConnect->setValue(0);
    EXPECT_FALSE(dialog.FEBreak->isEnabled());
    EXPECT_FALSE(dialog.FERConnect->isEnabled());
    EXPECT_EQ(dialog.LabSlidConnect->text(), "  0 sec");
    dialog.CBSaveFiles->setChecked(false);
    EXPECT_FALSE(dialog.RXSaveFiles->isVisible());
}

TEST_F(StationDialog, SavesWithTheResultOfTheChange) {
    TFr_SetStation dialog(*core, catalogue);
    dialog.FillParm(0, 0, false, record());
    EXPECT_FALSE(dialog.SBDelete->isEnabled());
    EXPECT_FALSE(dialog.GBAcm->isVisibleTo(&dialog)); // no output device chosen
    QTimer::singleShot(0, &dialog, [&] {
        dialog.EName->clear();
        dialog.SBSave->click(); // refused: the dialog stays
        EXPECT_TRUE(dialog.isVisible());
        dialog.EName->setText("Jazz FM");
        dialog.EURL->setText("http://127.0.0.1:9/other");
        dialog.SBSave->click();
    });
    EXPECT_EQ(dialog.exec(), StationEditor::kUrlChanged);
    EXPECT_EQ(dialog.Editor().Edited().Name, "Jazz FM");
    const IniDocument ini = IniFile(core->Paths().settingsFile).load();
    EXPECT_EQ(ini.readString("Channel0", "Name", ""), "Jazz FM");
    EXPECT_EQ(ini.readInteger("Channel0", "SaveFiles", 0), 7);
    EXPECT_EQ(ini.readInteger("Channel0", "Codec", 0), 67);
}

TEST_F(StationDialog, CancelLeavesTheStationAlone) {
    TFr_SetStation dialog(*core, catalogue);
    dialog.FillParm(0, 0, true, record());
    QTimer::singleShot(0, &dialog, [&] {
        dialog.EName->setText("Changed");
        dialog.SBCancel->click();
    });
    EXPECT_EQ(dialog.exec(), StationEditor::kCancelled);
    const IniDocument ini = IniFile(core->Paths().settingsFile).load();
    EXPECT_EQ(ini.readString("Channel0", "Name", ""), "Jazz");
}
