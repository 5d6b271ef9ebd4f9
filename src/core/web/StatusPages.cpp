#include "web/StatusPages.h"

#include <QUrl>

namespace {

QString headerCell(const QString& caption) {
    return QStringLiteral("<th scope=\"col\"><font color=\"#FFFFFF\">") + caption +
           QStringLiteral("</font></th>");
}

// A count of 0 shows as an empty cell.
QString countCell(int count) {
    return count < 1 ? QStringLiteral("<td>&nbsp;</td>")
                     : QStringLiteral("<td><div align=\"Center\">%1</div></td>").arg(count);
}

// The opening of a status cell: its background only when it has one.
QString statusCellColors(const tErrorLst& s) {
    return s.StatusBackColor != 0
               ? QStringLiteral(" bgcolor=\"#") + GetHtmlColor(s.StatusBackColor) + u'"'
               : QString();
}

QString statusText(const tErrorLst& s) {
    return QStringLiteral("<div align=\"center\"><font color=\"#") +
           GetHtmlColor(s.StatusTextColor) + QStringLiteral("\">") + HtmlEscape(s.StatusText) +
           QStringLiteral("</font></div></td>");
}

QString stationLink(const QString& name, const char* command, const char* caption) {
    return QStringLiteral("<td><div align=\"Center\"><a href=\"./%1?%2\">%3</a></td>")
        .arg(LinkName(name), QLatin1String(command), QLatin1String(caption));
}

void addStationRow(const WebSnapshot& snap, const StationSnapshot& st, QStringList& page) {
    page << QStringLiteral("<tr><td><a href=\"./%1\">%2</a></td>")
                .arg(LinkName(st.Name), HtmlEscape(st.Name));
    page << QStringLiteral("<td") + statusCellColors(st.Status) + u'>' + statusText(st.Status);
    page << countCell(st.OneDayCount);
    page << countCell(st.Status.ErrorCount);
    if (!snap.HTTPEnableClear) {
        page << QStringLiteral("</tr>");
        return;
    }
    // No connection control while a recording is wanted.
    if (st.RecState != 0)
        page << QStringLiteral("<td>&nbsp;</td>");
    else
        page << (st.LinkState != 0 ? stationLink(st.Name, "Stop", "Stop")
                                   : stationLink(st.Name, "Run", "Run"));
    if (!st.RecordEnabled)
        page << QStringLiteral("<td>&nbsp</td></tr>");
    else
        page << (st.RecState != 0 ? stationLink(st.Name, "StopRec", "Stop")
                                  : stationLink(st.Name, "Record", "Record")) +
                    QStringLiteral("</tr>");
}

void addInformation(const WebSnapshot& snap, QStringList& page) {
    page << QStringLiteral("<p><b>Information:</b></p>")
         << QStringLiteral("<table width=\"100%\"  border=\"0\">")
         << QStringLiteral("<tr><td width=\"50%\"><div align=\"right\">System time: </div></td>")
         << QStringLiteral("<td width=\"50%\">") + snap.NowText + QStringLiteral("</td></tr>")
         << QStringLiteral("<tr><td><div align=\"right\">Run time: </div></td>")
         << QStringLiteral("<td>") + snap.StartText + QStringLiteral("</td>")
         << QStringLiteral("</tr><tr><td><div align=\"right\">Up time: </div></td>")
         << QStringLiteral("<td>") + ElapsedText(snap.UpSeconds) + QStringLiteral("</td></tr>")
         << QStringLiteral("<tr><td><div align=\"right\">Available space: </div></td>")
         << QStringLiteral("<td>") + QString::asprintf("%8.2f", double(snap.FreeBytes) / 1048576) +
                QStringLiteral(" Mb</td></tr>")
         << QStringLiteral("</table><hr>");
}

void addStreams(const WebSnapshot& snap, QStringList& page) {
    page << QStringLiteral("<p><b>Streams:</b></p>")
         << (snap.HTTPEnableClear
                 ? QStringLiteral("<p align=\"right\"><a href=\"?Clear\">-> Drop counters <-</a>")
                 : QStringLiteral("<p>"))
         << QStringLiteral("<table width=\"100%\"  border=\"0\">")
         << QStringLiteral("<tr bgcolor=\"#993300\">");
    for (const char* caption : {"Stream name", "Status", "Event for day", "Total events"})
        page << headerCell(QLatin1String(caption));
    if (snap.HTTPEnableClear)
        page << headerCell(QStringLiteral("Connect"))
             << headerCell(QStringLiteral("Record")) + QStringLiteral("</tr>");
    else
        page << QStringLiteral("</tr>");
    for (const StationSnapshot& st : snap.Stations)
        addStationRow(snap, st, page);
    page << QStringLiteral("</table>");
}

void addEvents(const WebSnapshot& snap, QStringList& page) {
    page << QStringLiteral("<hr><p><b>Events:</b></p>")
         << (snap.HTTPEnableClear
                 ? QStringLiteral("<p align=\"right\"><a href=\"*?Clear\">-> Clear <-</a>")
                 : QStringLiteral("<p>"))
         << QStringLiteral("<table width=\"100%\"  border=\"0\"><tr bgcolor=\"#993300\">")
         << headerCell(QStringLiteral("Time")) << headerCell(QStringLiteral("Stream"))
         << headerCell(QStringLiteral("Event")) + QStringLiteral("</tr>");
    for (auto it = snap.Events.crbegin(); it != snap.Events.crend(); ++it)
        page << QStringLiteral("<tr><td>") + it->TimeText + QStringLiteral("</td>")
             << QStringLiteral("<td>") + HtmlEscape(it->Station) + QStringLiteral("</td>")
             << QStringLiteral("<td>") + HtmlEscape(it->Text) + QStringLiteral("</td></tr>");
    page << QStringLiteral("</table></p>");
}

void addRow(QStringList& page, const char* caption, const QString& value) {
    page << QStringLiteral("<tr><td><div align=\"right\">%1</div></td>").arg(QLatin1String(caption))
         << QStringLiteral("<td>") + value + QStringLiteral("</td></tr>");
}

// A quality line, or an empty cell while the station has none.
QString quality(const QString& freq, const QString& bitrate, const QString& channels) {
    return freq.isEmpty()
               ? QStringLiteral("&nbsp")
               : HtmlEscape(QStringList{freq, bitrate, channels}.join(QLatin1String(", ")));
}

void addStationEvents(const WebSnapshot& snap, const StationSnapshot& st, QStringList& page) {
    page << QStringLiteral("<hr><p><b>Events:</b></p>")
         << (snap.HTTPEnableClear
                 ? QStringLiteral("<p align=\"right\"><a href=\"%1?Clear\">-> Clear <-</a>")
                       .arg(LinkName(st.Name))
                 : QStringLiteral("<p>"))
         << QStringLiteral("<table width=\"100%\"  border=\"0\"><tr bgcolor=\"#993300\">")
         << headerCell(QStringLiteral("Time"))
         << headerCell(QStringLiteral("Event")) + QStringLiteral("</tr>");
    const QList<ErrorEntry>& list = st.Status.ErrorList;
    for (auto it = list.crbegin(); it != list.crend(); ++it)
        page << QStringLiteral("<tr><td>") + it->TimeText + QStringLiteral("</td>")
             << QStringLiteral("<td>") + HtmlEscape(it->Text) + QStringLiteral("</td></tr>");
    page << QStringLiteral("</table></p>");
}

} // namespace

QString GetHtmlColor(quint32 color) {
    return QString::asprintf("%2.2X%2.2X%2.2X", color & 0xFF, (color >> 8) & 0xFF,
                             (color >> 16) & 0xFF);
}

QString GetNoUserURL(const QString& url) {
    const qsizetype at = url.indexOf(u'@');
    if (at < 0)
        return HtmlEscape(url);
    const qsizetype slashes = url.indexOf(QLatin1String("//"));
    const qsizetype start = slashes >= 0 && slashes < at ? slashes + 2 : 0;
    const QString shortened = url.left(start) + url.mid(at + 1);
    return QStringLiteral("<b>") + HtmlEscape(shortened) + QStringLiteral("</b>");
}

QString ElapsedText(qint64 seconds) {
    const qint64 s = std::max<qint64>(seconds, 0);
    const QString time =
        QString::asprintf("%2.2lld:%2.2lld:%2.2lld", s / 3600 % 24, s / 60 % 60, s % 60);
    return s < 86400 ? time : QString::number(s / 86400) + u' ' + time;
}

QString HtmlEscape(const QString& text) {
    return text.toHtmlEscaped();
}

QString LinkName(const QString& name) {
    return QString::fromLatin1(QUrl::toPercentEncoding(name));
}

void AddBackLink(QStringList& page) {
    page << QStringLiteral("<p></p><p align=\"center\"><a href=\"/\">-> Back <-</a></p>");
}

void GetUnionInfo(const WebSnapshot& snap, QStringList& page) {
    if (snap.HTTPRefresh > 0)
        page << QStringLiteral("<META HTTP-EQUIV=\"REFRESH\" content=\"%1; URL=/\">")
                    .arg(snap.HTTPRefresh);
    addInformation(snap, page);
    if (!snap.Stations.empty())
        addStreams(snap, page);
    if (!snap.Events.isEmpty())
        addEvents(snap, page);
}

void GetStationInfo(const WebSnapshot& snap, const QString& name, QStringList& page) {
    const auto it = std::find_if(snap.Stations.begin(), snap.Stations.end(),
                                 [&](const StationSnapshot& s) { return s.Name == name; });
    if (it == snap.Stations.end()) {
        page << QStringLiteral("<p align=\"center\" size=+1>A stream does not exist: \"") +
                    HtmlEscape(name) + QStringLiteral("\"</p>");
        AddBackLink(page);
        return;
    }
    const StationSnapshot& st = *it;
    page << QStringLiteral("<p align=\"center\"><font color=\"#993300\" size=\"+1\" ><b>") +
                HtmlEscape(name) + QStringLiteral("</b></font></p>")
         << QStringLiteral("<table width=\"50%\"  border=\"0\"><tr bgcolor=\"#993300\">")
         << QStringLiteral("<tr>")
         << QStringLiteral("<td colspan=\"2\" ") + statusCellColors(st.Status) + u'>' +
                statusText(st.Status) + QStringLiteral("</tr>");
    addRow(page, "URL:", GetNoUserURL(st.URL));
    addRow(page, "Source quality:", quality(st.InFreq, st.InBitrate, st.InCh));
    addRow(page, "Root directory:", HtmlEscape(st.FileDir));
    addRow(page, "Driver:", HtmlEscape(st.Driver));
    addRow(page, "Record quality:", quality(st.OutFreq, st.OutBitrate, st.OutCh));
    addRow(page, "Station:", HtmlEscape(st.LStation));
    addRow(page, "Title:", HtmlEscape(st.LTitle));
    if (st.FileOpen)
        addRow(page, "Filename:", HtmlEscape(st.FileName));
    page << QStringLiteral("</table><br>");
    if (!st.Status.ErrorList.isEmpty())
        addStationEvents(snap, st, page);
    AddBackLink(page);
}
