#include "program/StationEditor.h"

#include "base/TextCut.h"
#include "codec/ACM.h"
#include "lang/QVLanguage.h"
#include "program/StationRegistry.h"

StationEditor::StationEditor(TLanguage& language, TACM& catalogue, StationRegistry& registry,
                             QString settingsFile, bool deviceChosen)
    : language_(language), catalogue_(catalogue), registry_(registry),
      settingsFile_(std::move(settingsFile)), deviceChosen_(deviceChosen) {}

StationForm StationEditor::FillParm(int index, int number, bool deletable,
                                    const StationConfig& record) {
    index_ = index;
    number_ = number;
    deletable_ = deletable;
    original_ = edited_ = record;
    StationForm f;
    f.name = record.Name;
    f.folder = record.FileDir;
    f.url = record.URL;
    f.bccMail = record.BCCMail;
    // A recording start mode has no entry while the compression group is hidden: no
    // mode is selected, and saving keeps the stored one.
    f.mode = record.Mode < ModeCount() ? record.Mode : -1;
    f.eBreak = record.EBreak;
    f.eRestore = record.ERestore;
    f.eSilence = record.ESilence;
    f.eNoSilence = record.ENoSilence;
    f.silence = record.Silence;
    f.noSilence = record.NoSilence;
    f.level = record.Level;
    f.connect = record.Connect;
    f.rateIndex = SampleRateIndex(record.Bitrate);
    edited_.Channels = std::clamp<int>(record.Channels, 1, 2);
    f.stereoIndex = edited_.Channels - 1;
    f.saveFiles = record.SaveFiles > 0;
    f.saveDays = record.SaveFiles > 0 ? record.SaveFiles : 90;
    return f;
}

StationEditor::CodecLists StationEditor::FillCodecs(int rateIndex, int stereoIndex) {
    CodecLists lists;
    catalogue_.SetSampleRate(SampleRateFromIndex(rateIndex));
    catalogue_.SetChannels(stereoIndex + 1);
    catalogue_.Enumerate();
    for (int i = 0; i < catalogue_.DriverCount(); ++i) {
        lists.drivers << catalogue_.DriverName(i);
        if (lists.driver < 0 && lists.drivers.last() == edited_.Driver)
            lists.driver = i;
    }
    catalogue_.SelectDriver(edited_.Driver);
    for (int i = 0; lists.driver >= 0 && i < catalogue_.FormatCount(); ++i)
        lists.formats << catalogue_.FormatName(i);
    if (edited_.Codec >= 0) {
        const int position =
            catalogue_.IndexOfFormat(WAVE_FORMAT_MPEGLAYER3, quint32(edited_.Codec));
        lists.format = position < lists.formats.size() ? position : -1;
    }
    return lists;
}

StationEditor::CodecLists StationEditor::CBDriverChange(const QString& driver, int rateIndex,
                                                        int stereoIndex) {
    edited_.Driver = CutText(driver, 192);
    return FillCodecs(rateIndex, stereoIndex);
}

bool StationEditor::ApplySettings(const StationForm& form) {
    const QString name = form.name.trimmed();
    const QString folder = form.folder.trimmed();
    const QString url = form.url.trimmed();
    const char* missing = name.isEmpty()     ? "SetNameCh"
                          : folder.isEmpty() ? "SetFolder"
                          : url.isEmpty()    ? "SetURL"
                                             : nullptr;
    if (missing) {
        language_.ShowDialog(QLatin1String(missing), DialogType::Error);
        return false;
    }
    if (!registry_.CheckDouble(name, folder, number_))
        return false;
    if (form.mode == 2 && (form.driver.isEmpty() || form.format.isEmpty())) {
        language_.ShowDialog(QLatin1String(form.driver.isEmpty() ? "SetDriver" : "SetQual"),
                             DialogType::Warning);
        return false;
    }
    if (!form.driver.isEmpty())
        edited_.Driver = CutText(form.driver.trimmed(), 192);
    const AcmFormatEntry* format =
        form.format.isEmpty() ? nullptr : catalogue_.FindFormat(edited_.Driver, form.format);
    edited_.Codec = format ? int(format->FormatIndex) : -1;
    edited_.BCCMail = CutText(form.bccMail.trimmed(), 255);
    edited_.Bitrate = SampleRateFromIndex(form.rateIndex);
    edited_.Channels = quint8(std::clamp(form.stereoIndex + 1, 1, 2));
    if (form.mode >= 0)
        edited_.Mode = quint8(form.mode);
    edited_.Silence = form.silence;
    edited_.NoSilence = form.noSilence;
    edited_.Level = form.level;
    edited_.Connect = form.connect;
    edited_.Name = CutText(name, 192);
    edited_.FileDir = CutText(folder, 192);
    edited_.URL = CutText(url, 255);
    edited_.SaveFiles = form.saveFiles ? form.saveDays : 0;
    edited_.EBreak = form.eBreak.trimmed();
    edited_.ERestore = form.eRestore.trimmed();
    edited_.ESilence = form.eSilence.trimmed();
    edited_.ENoSilence = form.eNoSilence.trimmed();
    return true;
}

int StationEditor::CompareSettings() const {
    if (edited_.URL != original_.URL)
        return 2;
    const bool recording = edited_.FileDir != original_.FileDir ||
                           edited_.Driver != original_.Driver || edited_.Codec != original_.Codec ||
                           edited_.Bitrate != original_.Bitrate ||
                           edited_.Channels != original_.Channels;
    return recording ? 1 : 0;
}

int StationEditor::SBSaveClick(const StationForm& form) {
    if (!ApplySettings(form))
        return 0;
    StationConfigStore(settingsFile_).WriteStationConfig(number_, edited_);
    return CompareSettings() + 1;
}

bool StationEditor::SBDeleteClick() {
    if (language_.ShowDialog(QStringLiteral("DeleteChannel"), DialogType::Confirmation, {},
                             QString(), DialogButton::Yes | DialogButton::No) != DialogButton::Yes)
        return false;
    bool erase = false;
    if (original_.SaveFiles >= 1) {
        const DialogButton answer = language_.ShowDialog(
            QStringLiteral("DeleteFiles"), DialogType::Confirmation, {}, QString(),
            DialogButton::Yes | DialogButton::No | DialogButton::Cancel);
        if (answer != DialogButton::Yes && answer != DialogButton::No)
            return false;
        erase = answer == DialogButton::Yes;
    }
    registry_.PendingDeleteIndex = index_;
    registry_.DeleteStationFiles = erase;
    return true;
}

QString StationEditor::SecondsText(int seconds) {
    return QStringLiteral("%1 sec").arg(seconds, 3);
}

QString StationEditor::LevelText(int db) {
    return QStringLiteral("%1 Db").arg(db);
}
