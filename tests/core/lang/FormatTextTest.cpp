#include "lang/FormatText.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

QString ok(const QString& format, const QVariantList& args) {
    const FormatResult r = FormatText(format, args);
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return r.text;
}

} // namespace

TEST(FormatText, TextsAndIntegersInTheirPlaces) {
    EXPECT_EQ(ok("Folder %s is used by %s.", {QStringLiteral("/rec"), QStringLiteral("Jazz")}),
              "Folder /rec is used by Jazz.");
    EXPECT_EQ(ok("%d MB left", {15}), "15 MB left");
    EXPECT_EQ(ok("%d", {-7}), "-7");
    EXPECT_EQ(ok("100%% done", {}), "100% done");
    EXPECT_EQ(ok("no arguments at all", {}), "no arguments at all");
}

TEST(FormatText, WidthPrecisionIndexAndHex) {
    EXPECT_EQ(ok("[%5d]", {42}), "[   42]");
    EXPECT_EQ(ok("[%-5s]", {QStringLiteral("ab")}), "[ab   ]");
    EXPECT_EQ(ok("%.3d", {5}), "005");
    EXPECT_EQ(ok("%.2s", {QStringLiteral("abcdef")}), "ab");
    EXPECT_EQ(ok("%x", {255}), "FF");
    // Translations may need another word order.
    EXPECT_EQ(ok("%1:s before %0:s", {QStringLiteral("A"), QStringLiteral("B")}), "B before A");
    EXPECT_EQ(ok("%*d", {4, 7}), "   7");
}

TEST(FormatText, FloatsFollowTheLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ok("%.1f s", {2.26}), "2,3 s");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(ok("%.1f s", {2.26}), "2.3 s");
    EXPECT_EQ(ok("%f", {3}), "3.00");
    QLocale::setDefault(saved);
}

TEST(FormatText, BadSpecifiersAndMissingArgumentsAreReported) {
    for (const auto& [format, args] : std::initializer_list<std::pair<QString, QVariantList>>{
             {"%d", {QStringLiteral("text")}},
             {"%s", {5}},
             {"%s and %s", {QStringLiteral("one")}},
             {"%q", {1}},
             {"ends with %", {}},
             {"%5", {1}},
         }) {
        const FormatResult r = FormatText(format, args);
        EXPECT_FALSE(r.ok()) << format.toStdString();
        EXPECT_FALSE(r.error.isEmpty());
    }
}
