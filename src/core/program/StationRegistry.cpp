#include "program/StationRegistry.h"

#include "base/Logging.h"
#include "lang/QVLanguage.h"
#include "settings/FSettings.h"
#include "settings/IniFile.h"
#include "station/StationEngine.h"
#include "station/StationHost.h"

#include <QDir>

#include <algorithm>

namespace {

// "Channel" followed by a decimal number from 0 to 255; -1 for any other name.
int sectionNumber(const QString& name) {
    if (!name.startsWith(QLatin1String("Channel")))
        return -1;
    const QString rest = name.mid(7);
    bool ok = false;
    const int n = rest.toInt(&ok, 10);
    const bool digits = !rest.isEmpty() && std::all_of(rest.begin(), rest.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    return ok && digits && n <= 255 ? n : -1;
}

// A station folder in normal form, so that every spelling of one folder below the root
// compares equal: either separator, "./", "x/..", leading and trailing separators.
QString folderKey(const QString& folder) {
    QString path = QDir::cleanPath(QString(folder).replace(u'\\', u'/'));
    while (path.startsWith(u'/'))
        path.remove(0, 1);
    return path == QLatin1String(".") ? QString() : path;
}

} // namespace

StationRegistry::StationRegistry(StationHost& host, const FSettings& settingsStore,
                                 const TSettings& settings)
    : host_(host), store_(settingsStore), settings_(settings) {}

StationRegistry::~StationRegistry() {
    CloseAll();
}

StationEngine* StationRegistry::add(int number, const StationConfig& cfg, QPoint windowPos) {
    auto engine = std::make_unique<StationEngine>(host_, Count(), number, cfg, settings_.Buffer);
    engine->SetStoredWindowPos(windowPos);
    engine->Set_Sound(settings_.DeviceIndex > 0);
    engine->InitParms();
    StationEngine* raw = engine.get();
    QObject::connect(raw, &StationEngine::statusWordChanged, raw, [raw](const QString& word) {
        qCInfo(lcShell).noquote() << raw->Station().Config.Name + QStringLiteral(": ") + word;
    });
    QObject::connect(raw, &StationEngine::statusLineChanged, raw, [raw](const QString& line) {
        if (!line.isEmpty())
            qCInfo(lcShell).noquote() << raw->Station().Config.Name + QStringLiteral(" | ") + line;
    });
    QObject::connect(raw, &StationEngine::labelsChanged, raw,
                     [raw](const QString& name, const QString& title) {
                         qCInfo(lcShell).noquote()
                             << raw->Station().Config.Name + QStringLiteral(": stream \"") + name +
                                    QStringLiteral("\", title \"") + title + u'"';
                     });
    stations_.push_back(std::move(engine));
    if (OnAdded)
        OnAdded(raw);
    return raw;
}

void StationRegistry::ReadStations() {
    const IniDocument ini = IniFile(store_.fileName()).load();
    QStringList names = ini.sections();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    int loaded = 0;
    for (const QString& name : names) {
        const int number = sectionNumber(name);
        if (number < 0 || loaded == kLimit || GetStation_Index(number) >= 0)
            continue;
        StationConfig cfg;
        StationConfigStore::ReadStationConfig(ini, number, cfg);
        add(number, cfg, StationConfigStore(store_.fileName()).ReadStationPos(number));
        ++loaded;
    }
    const int listen = store_.ReadListenChannel();
    for (const auto& engine : stations_) {
        const quint8 mode = engine->Station().Config.Mode;
        if (mode == 1 || mode == 2)
            engine->Link_Start();
        if (mode == 2)
            engine->Record_Start();
        if (engine->Station().Number == listen)
            engine->SBListenClick();
    }
}

StationEngine* StationRegistry::CreateStation(int number, const QString& name) {
    StationConfig cfg;
    cfg.Name = name;
    cfg.FileDir = name;
    cfg.Level = -32;
    StationConfigStore(store_.fileName()).WriteStationConfig(number, cfg);
    return add(number, cfg, QPoint());
}

StationEngine* StationRegistry::AddStation() {
    if (Count() >= kLimit) {
        host_.Language().ShowDialog(QStringLiteral("Maximum"), DialogType::Error, {kLimit});
        return nullptr;
    }
    const int number = FreeNumber();
    if (number < 0) {
        host_.Language().ShowDialog(QStringLiteral("ErrorCreateCh"), DialogType::Error);
        return nullptr;
    }
    return CreateStation(number, QStringLiteral("Station %1").arg(number + 1));
}

int StationRegistry::FreeNumber() const {
    for (int n = 0; n <= 255; ++n)
        if (GetStation_Index(n) < 0)
            return n;
    return -1;
}

bool StationRegistry::CheckDouble(const QString& name, const QString& folder, int number) {
    for (const auto& engine : stations_) {
        const TStation& st = engine->Station();
        if (st.Number == number)
            continue;
        if (st.Config.Name == name) {
            host_.Language().ShowDialog(QStringLiteral("AlreadyExists"), DialogType::Error, {name});
            return false;
        }
        if (folderKey(st.Config.FileDir) == folderKey(folder)) {
            host_.Language().ShowDialog(QStringLiteral("FolderInUse"), DialogType::Error,
                                        {folder, st.Config.Name});
            return false;
        }
    }
    return true;
}

int StationRegistry::GetStation_Index(int number) const {
    for (int i = 0; i < Count(); ++i)
        if (stations_[size_t(i)]->Station().Number == number)
            return i;
    return -1;
}

void StationRegistry::DeleteStation() {
    const int index = PendingDeleteIndex;
    PendingDeleteIndex = -1;
    if (index < 0 || index >= Count())
        return;
    StationEngine* engine = At(index);
    if (engine->Station().Listening) {
        Listen_Shutup();
        host_.WriteListenChannel(-1);
    }
    const int number = engine->Station().Number;
    IniFile(store_.fileName()).edit([number](IniDocument& doc) {
        EraseStationSections(doc, number);
    });
    if (OnRemoving)
        OnRemoving(engine);
    // Gone first, so that its recording is closed before its files are erased.
    stations_.erase(stations_.begin() + index);
    for (int i = index; i < Count(); ++i)
        stations_[size_t(i)]->Station().Index = i;
    if (OnEraseFiles)
        OnEraseFiles(number, DeleteStationFiles);
    DeleteStationFiles = false;
}

void StationRegistry::Listen_Shutup() {
    for (const auto& engine : stations_)
        if (engine->Station().Listening)
            engine->ListenDown();
}

void StationRegistry::SaveMovedWindows() {
    const StationConfigStore store(store_.fileName());
    for (const auto& engine : stations_) {
        const QPoint pos = engine->WindowPos();
        if (pos != engine->SavedWindowPos() &&
            store.WriteStationPos(engine->Station().Number, pos.x(), pos.y()))
            engine->SetStoredWindowPos(pos);
    }
}

void StationRegistry::CloseAll() {
    // Every last file is flushed and tagged in parallel before the stations go one by one.
    for (auto& engine : stations_)
        if (engine->Station().RecState != 0)
            engine->Record_Stop();
    for (auto& engine : stations_) {
        if (OnRemoving)
            OnRemoving(engine.get());
        engine.reset();
    }
    stations_.clear();
}

QList<QPoint> OrderStation(const QList<QSize>& windows, int clientWidth) {
    QList<QPoint> places;
    int x = 1;
    int y = 1;
    for (const QSize& w : windows) {
        places << QPoint(x, y);
        x += w.width() + 1;
        if (x > clientWidth - w.width()) {
            y += w.height() + 1;
            x = 1;
        }
    }
    return places;
}
