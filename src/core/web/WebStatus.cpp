#include "web/WebStatus.h"

#include "lang/Charset.h"
#include "web/StatusPages.h"

namespace {

const QByteArray kContentType = "text/html; charset=windows-1251";
const QString kRefresh = QStringLiteral("<META HTTP-EQUIV=\"REFRESH\" content=\"1; URL=/\">");

// The credentials the settings ask for; with neither set every request is let in.
bool allowed(const WebSnapshot& snap, const HttpRequest& request) {
    bool ok = true;
    if (!snap.HTTPPass.isEmpty())
        ok = request.hasBasicAuth && request.password == snap.HTTPPass;
    if (!snap.HTTPUser.isEmpty())
        ok = ok && request.hasBasicAuth && request.user == snap.HTTPUser;
    return ok;
}

std::optional<HttpCommand::Code> commandCode(const QByteArray& word) {
    if (word == "Run")
        return HttpCommand::Run;
    if (word == "Stop")
        return HttpCommand::Stop;
    if (word == "Record")
        return HttpCommand::Record;
    if (word == "StopRec")
        return HttpCommand::StopRec;
    return std::nullopt;
}

} // namespace

void WebStatus::Publish(std::shared_ptr<const WebSnapshot> snapshot) {
    const std::lock_guard lock(mutex_);
    snapshot_ = std::move(snapshot);
}

std::shared_ptr<const WebSnapshot> WebStatus::Latest() const {
    const std::lock_guard lock(mutex_);
    return snapshot_;
}

HttpResponse WebStatus::Handle(const HttpRequest& request) {
    const std::shared_ptr<const WebSnapshot> snap = Latest();
    if (!snap)
        return {503, "text/plain", "starting\n", {}};
    if (!allowed(*snap, request))
        return {401, "text/html", "unauthorized", "Tidewell"};
    QStringList page{
        QStringLiteral("<html><head><title>QV Tidewell Info</title>"),
        QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"") +
            QString::fromLatin1(kContentType) + QStringLiteral("\">"),
        QStringLiteral("</head><body BGCOLOR=\"#FFF0FF\">"),
        QStringLiteral("<div align=\"center\"><p align=\"center\"><font color=\"#0033CC\" "
                       "size=\"+2\"><b><font color=\"#993300\">"),
        QStringLiteral("Quorvane Tidewell </font></b></font><font color=\"#993300\" size=\"+1\" "
                       "><b>(") +
            versionText_ + QStringLiteral(")</b></font></p><hr>")};
    const QString name = request.path.startsWith(u'/') ? request.path.mid(1) : request.path;
    if (request.query == "Clear")
        ClearStationInfo(*snap, name, page);
    else if (!request.query.isEmpty())
        HTTP_RunStopRecord(*snap, name, request.query, page);
    else if (!name.isEmpty())
        GetStationInfo(*snap, name, page);
    else
        GetUnionInfo(*snap, page);
    page << QStringLiteral(
                "<hr><p align=\"right\">Home page: "
                "<a href=\"https://www.quorvane.com/tidewell/\">Quorvane Tidewell</a></p>")
         << QStringLiteral("</div></body></html>");
    return {200,
            kContentType,
            Charset::EncodeHtml(page.join(QLatin1String("\r\n")) + QLatin1String("\r\n"),
                                "WINDOWS-1251"),
            {}};
}

void WebStatus::ClearStationInfo(const WebSnapshot& snap, const QString& name, QStringList& page) {
    if (!snap.HTTPEnableClear)
        return;
    page << kRefresh
         << (name.isEmpty()
                 ? QStringLiteral("<p align=\"center\"><font size=\"+1\">Clear</font></p>")
                 : QStringLiteral("<p align=\"center\"><font size=\"+1\">Clear for ") +
                       HtmlEscape(name) + QStringLiteral("</font></p>"));
    AddBackLink(page);
    const std::lock_guard lock(mutex_);
    clears_ << name;
}

void WebStatus::HTTP_RunStopRecord(const WebSnapshot& snap, const QString& name,
                                   const QByteArray& command, QStringList& page) {
    page << kRefresh;
    if (!snap.HTTPEnableClear)
        return;
    const auto station = std::find_if(snap.Stations.begin(), snap.Stations.end(),
                                      [&](const StationSnapshot& s) { return s.Name == name; });
    const std::optional<HttpCommand::Code> code = commandCode(command);
    if (station == snap.Stations.end() || !code)
        return;
    {
        const std::lock_guard lock(mutex_);
        HttpCommandQueue.push_back({quint16(station - snap.Stations.begin()), *code});
    }
    page << QStringLiteral("<p align=\"center\"><font size=\"+1\">") +
                QString::fromLatin1(command) + QStringLiteral(" for ") + HtmlEscape(name) +
                QStringLiteral(" executed</font></p>");
    AddBackLink(page);
}

std::optional<HttpCommand> WebStatus::TakeCommand() {
    const std::lock_guard lock(mutex_);
    if (HttpCommandQueue.empty())
        return std::nullopt;
    const HttpCommand command = HttpCommandQueue.front();
    HttpCommandQueue.pop_front();
    return command;
}

QStringList WebStatus::TakeClears() {
    const std::lock_guard lock(mutex_);
    return std::exchange(clears_, {});
}
