#pragma once

#include "settings/StationConfig.h"

#include <QString>
#include <QStringList>

class StationRegistry;
class TACM;
class TLanguage;

// What the station settings dialog's controls hold.
struct StationForm {
    QString name, folder, url, bccMail;
    int mode = -1;  // index of the start mode; -1 when none is selected
    QString driver; // the selected driver's name; empty when none
    QString format; // the selected format's description; empty when none
    int rateIndex = 1;
    int stereoIndex = 0; // 0 mono, 1 stereo; -1 none
    int silence = 0, noSilence = 1, level = -32, connect = 30;
    bool saveFiles = false;
    int saveDays = 90;
    QString eBreak, eRestore, eSilence, eNoSilence;
};

// The station settings dialog without its widgets: it fills the controls from a
// station's record, offers the codec catalogue, checks and stores what the operator
// entered, tells how far a change reaches, and requests a deletion.
class StationEditor {
public:
    // Dialog results.
    static constexpr int kCancelled = -1;
    static constexpr int kNoRestart = 1;
    static constexpr int kRecordingChanged = 2;
    static constexpr int kUrlChanged = 3;

    StationEditor(TLanguage& language, TACM& catalogue, StationRegistry& registry,
                  QString settingsFile, bool deviceChosen);

    StationForm FillParm(int index, int number, bool deletable, const StationConfig& record);
    bool Deletable() const { return deletable_; }
    // The compression group (and the "record at start" mode) only with an output device.
    bool CompressionVisible() const { return deviceChosen_; }
    int ModeCount() const { return deviceChosen_ ? 3 : 2; }

    struct CodecLists {
        QStringList drivers;
        int driver = -1; // selected position; -1 leaves the box blank
        QStringList formats;
        int format = -1;
    };
    CodecLists FillCodecs(int rateIndex, int stereoIndex);
    CodecLists CBDriverChange(const QString& driver, int rateIndex, int stereoIndex);

    bool ApplySettings(const StationForm& form);
    int CompareSettings() const;
    // Applies, writes the station's section and gives the dialog's result; 0 when the
    // input was refused (the dialog stays open).
    int SBSaveClick(const StationForm& form);
    // Asks the confirmations and, when the operator agrees, hands the deletion to the
    // registry. True when the dialog is to close with kCancelled.
    bool SBDeleteClick();

    const StationConfig& Edited() const { return edited_; }

    static QString SecondsText(int seconds); // "%3d sec"
    static QString LevelText(int db);        // "-32 Db"

private:
    TLanguage& language_;
    TACM& catalogue_;
    StationRegistry& registry_;
    QString settingsFile_;
    bool deviceChosen_;
    int index_ = -1;
    int number_ = 0;
    bool deletable_ = false;
    StationConfig original_;
    StationConfig edited_;
};
