#include "web/WebSnapshot.h"

#include "station/ConnectionCheck.h"
#include "station/StationEngine.h"

StationSnapshot SnapshotOf(StationEngine& station, const QDateTime& now) {
    TStation& st = station.Station();
    StationSnapshot s;
    s.Name = st.Config.Name;
    s.URL = st.Config.URL;
    s.FileDir = st.Config.FileDir;
    s.Driver = st.Config.Driver;
    s.RecState = st.RecState;
    s.LinkState = st.LinkState;
    s.FileOpen = st.FileHandle >= 0;
    s.FileName = st.FileName;
    {
        const std::lock_guard lock(st.StatusLock);
        s.Status = st.Status;
    }
    s.OneDayCount = GetOneDayCount(s.Status, now);
    s.RecordEnabled = station.RecordEnabled();
    const FormatTexts& f = station.Formats();
    s.InFreq = f.InFreq;
    s.InBitrate = f.InBitrate;
    s.InCh = f.InCh;
    s.OutFreq = f.OutFreq;
    s.OutBitrate = f.OutBitrate;
    s.OutCh = f.OutCh;
    s.LStation = station.Labels().Station;
    s.LTitle = station.Labels().Title;
    return s;
}
