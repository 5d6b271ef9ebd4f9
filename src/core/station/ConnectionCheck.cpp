#include "station/ConnectionCheck.h"

#include "base/TextCut.h"
#include "notify/EventLog.h"
#include "station/Colors.h"
#include "station/TStation.h"

#include <algorithm>
#include <cmath>

ConnectionEvent Check_Connection(TStation& st, quint64 now) {
    double delta = 0.0;
    if (st.LinkState == LINK_STOP) {
        st.LossSeconds = 0.0;
        st.ConnectionLost = false;
    } else {
        quint8 error = LINK_ERROR;
        if (st.RetryTick < now && st.LinkState.compare_exchange_strong(error, LINK_CONNECT))
            st.WakeWorker();
        const double elapsed =
            now > st.LastCheckTick ? double(now - st.LastCheckTick) / 1000.0 : 0.0;
        const bool online = st.LinkState == LINK_ONLINE;
        delta = online == bool(st.ConnectionLost) ? elapsed : -elapsed;
    }
    st.LastCheckTick = now;
    st.LossSeconds = std::max(0.0, st.LossSeconds + delta);
    const int limit = st.WorkerConnect();
    if (limit <= 0) {
        st.LossSeconds = 0.0;
        st.ConnectionLost = false;
        return ConnectionEvent::None;
    }
    if (st.LossSeconds < limit)
        return ConnectionEvent::None;
    st.LossSeconds = 0.0;
    st.ConnectionLost = !st.ConnectionLost;
    return st.ConnectionLost ? ConnectionEvent::Lost : ConnectionEvent::Restored;
}

BarImage ConnectionBar(const TStation& st, int imageWidth) {
    BarImage bar;
    const int limit = st.WorkerConnect();
    const double ratio = limit > 0 ? std::clamp(st.LossSeconds / limit, 0.0, 1.0) : 0.0;
    const int x = std::max(0, int(std::lround(imageWidth * ratio - 1)));
    if (st.ConnectionLost) {
        bar = {x, Colors::White, Colors::Red, false};
    } else if (st.LinkState != LINK_STOP && limit > 0) {
        const int h = std::clamp(int(std::lround(255 - 512 * ratio)), 0, 255);
        bar = {x, Colors::Rgb(255, h, h), Colors::White, false};
    } else {
        bar.PanelColor = true;
    }
    return bar;
}

void ErrorListAdd(tErrorLst& status, const QString& text, const QDateTime& now) {
    status.ErrorList.append({now, ShownTime(now), CutText(text, 255)});
    ++status.ErrorCount;
    while (status.ErrorList.size() > 64)
        status.ErrorList.removeFirst();
}

int GetOneDayCount(const tErrorLst& status, const QDateTime& now) {
    if (status.ErrorList.isEmpty())
        return 0; // spares a local-time conversion per station and snapshot
    const QDateTime since = now.addDays(-1);
    return int(std::count_if(status.ErrorList.begin(), status.ErrorList.end(),
                             [&](const ErrorEntry& e) { return e.Time > since; }));
}
