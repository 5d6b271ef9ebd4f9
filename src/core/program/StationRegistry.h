#pragma once

#include "settings/StationConfig.h"

#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class FSettings;
class StationEngine;
class StationHost;
struct TSettings;

// The list of stations: read at start-up, added, checked for duplicates, deleted on
// the next tick. A station's index is its position; its number names its section.
class StationRegistry {
public:
    static constexpr int kLimit = 255;

    StationRegistry(StationHost& host, const FSettings& settingsStore, const TSettings& settings);
    ~StationRegistry();

    // Loads every "Channel<0..255>" section and starts each station by its Mode.
    void ReadStations();
    // A new station at the end of the list, its section written.
    StationEngine* CreateStation(int number, const QString& name);
    // The menu's "add station": the lowest free number, named "Station <number + 1>";
    // nullptr, after telling the operator, when the list is full.
    StationEngine* AddStation();
    // The lowest number no station uses, or -1.
    int FreeNumber() const;
    // True when no other station has this name or folder; otherwise tells the operator.
    bool CheckDouble(const QString& name, const QString& folder, int number);
    int GetStation_Index(int number) const;
    // Carries out a requested deletion, if one is pending.
    void DeleteStation();
    void Listen_Shutup();
    // Closes every station in index order.
    void CloseAll();

    int PendingDeleteIndex = -1;
    // Whether the pending deletion also erases the station's recordings.
    bool DeleteStationFiles = false;
    // Windows follow the list: told of each new station, and of each station about to
    // go (deletion or close).
    std::function<void(StationEngine*)> OnAdded;
    std::function<void(StationEngine*)> OnRemoving;
    // Writes the position of every station window that moved since it was last saved.
    void SaveMovedWindows();
    // Drops a deleted station's part of the saved-files list.
    std::function<void(int number, bool eraseFiles)> OnEraseFiles;
    int Count() const { return int(stations_.size()); }
    StationEngine* At(int index) const { return stations_[index].get(); }

private:
    StationEngine* add(int number, const StationConfig& cfg, QPoint windowPos);

    StationHost& host_;
    const FSettings& store_;
    const TSettings& settings_;
    std::vector<std::unique_ptr<StationEngine>> stations_;
};

// Tiling: each window after the previous one, one pixel apart, starting a new row
// when the next would pass the client width. Windows keep their sizes.
QList<QPoint> OrderStation(const QList<QSize>& windows, int clientWidth);
