#pragma once

#include <QString>
#include <QVariantList>

// Formatting of language texts with "%s", "%d" and their relatives:
// "%" [index ":"] ["-"] [width] ["." precision] type, type one of d u x e f g n m s
// (either case), "%%" for a percent sign. Texts come from files the operator may
// edit, so a bad specifier or a missing argument is reported, never undefined.
struct FormatResult {
    QString text;
    QString error; // empty on success
    bool ok() const { return error.isEmpty(); }
};

FormatResult FormatText(const QString& format, const QVariantList& args);
