#pragma once

#include "program/StationEditor.h"

#include <QDialog>

class ProgramCore;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QWidget;
class StationEngine;

// The station settings dialog: its controls show and collect a StationForm; the
// StationEditor decides everything else.
class TFr_SetStation : public QDialog {
    Q_OBJECT
public:
    TFr_SetStation(ProgramCore& core, TACM& catalogue, QWidget* parent = nullptr);

    void FillParm(int index, int number, bool deletable, const StationConfig& record);
    StationForm Form() const;
    const StationEditor& Editor() const { return editor_; }

    // The controls, for tests that click through the dialog.
    QLineEdit *EName, *ERoot, *EURL, *EBCCMail;
    QLineEdit *FEBreak, *FERConnect, *FESilence, *FENoSilence;
    QGroupBox *RGMode, *GBAcm, *RGFreq, *RGStereo;
    QButtonGroup *modes_, *rates_, *stereo_;
    QComboBox *CBDriver, *CBCodec;
    QCheckBox* CBSaveFiles;
    QSpinBox* RXSaveFiles;
    QLabel* LabSaveFiles;
    QSlider *SlidSilence, *SlidNoSilence, *SlideValue, *SlidConnect;
    QLabel *LabSilence, *LabNoSilence, *LabSlidValue, *LabSlidConnect;
    QWidget* PanDel;
    QPushButton *SBDelete, *SBSave, *SBCancel, *SBCopy;

private:
    void build();
    QWidget* buildLeft();
    QWidget* buildRight();
    void FillCodecs();
    void showCodecs(const StationEditor::CodecLists& lists);
    void CBDriverChange();
    void SetSaveFiles(int days);
    void slidersChanged();
    void SBSaveClick();
    void SBDeleteClick();

    ProgramCore& core_;
    StationEditor editor_;
};

// Runs the dialog for a station; a saved change is handed to the station. Returns
// the dialog's result (-1 cancelled or deleted, 1, 2 or 3 saved).
int EditStationConfig(ProgramCore& core, StationEngine& station, QWidget* parent);
