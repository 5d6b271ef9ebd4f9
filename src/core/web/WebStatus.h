#pragma once

#include "web/HttpServer.h"
#include "web/WebSnapshot.h"

#include <QStringList>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>

// A remote start or stop, for the station at a position of the list.
struct HttpCommand {
    enum Code : quint8 { Run = 0, Stop = 1, Record = 2, StopRec = 3 };
    quint16 Index;
    Code Command;
};

// The status pages as a request handler. Requests read the snapshot the main tick last
// published; what they ask to change waits in queues that the main tick drains, so no
// request thread ever touches a station.
class WebStatus : public HttpHandler {
public:
    explicit WebStatus(QString versionText) : versionText_(std::move(versionText)) {}

    void Publish(std::shared_ptr<const WebSnapshot> snapshot);
    std::shared_ptr<const WebSnapshot> Latest() const;

    // IdHTTPServerCommandGet.
    HttpResponse Handle(const HttpRequest& request) override;

    // The main thread's side: the oldest waiting command, and every waiting clear (a
    // station name; empty for all stations, "*" for the event log).
    std::optional<HttpCommand> TakeCommand();
    QStringList TakeClears();

private:
    void ClearStationInfo(const WebSnapshot& snap, const QString& name, QStringList& page);
    void HTTP_RunStopRecord(const WebSnapshot& snap, const QString& name, const QByteArray& command,
                            QStringList& page);

    const QString versionText_;
    mutable std::mutex mutex_;
    std::shared_ptr<const WebSnapshot> snapshot_;
    std::deque<HttpCommand> HttpCommandQueue;
    QStringList clears_;
};
