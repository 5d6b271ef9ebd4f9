#pragma once

#include "web/WebSnapshot.h"

#include <QStringList>

// The bodies of the status pages, line by line, from a snapshot. Every text that
// comes from operators or radio servers is escaped.

// "RRGGBB" of a 0x00BBGGRR colour.
QString GetHtmlColor(quint32 color);
// The stream address without its user name and password, in bold when shortened.
QString GetNoUserURL(const QString& url);
// "hh:mm:ss" below a day, "d hh:mm:ss" from then on; negative counts as 0.
QString ElapsedText(qint64 seconds);
// & < > " as entities.
QString HtmlEscape(const QString& text);
// A station name as it goes into a link: percent-encoded UTF-8.
QString LinkName(const QString& name);

void GetUnionInfo(const WebSnapshot& snapshot, QStringList& page);
void GetStationInfo(const WebSnapshot& snapshot, const QString& name, QStringList& page);
// The link back to the overview that ends most pages.
void AddBackLink(QStringList& page);
