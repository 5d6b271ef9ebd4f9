#include "recording/FileNames.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QDateTime kTime(QDate(2026, 12, 7), QTime(8, 5, 9, 42));
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

} // namespace

TEST(FileNames, TokensInAnyCase) {
    EXPECT_EQ(FormatFileTemplate("d dd ddd dddd", kTime, kEnglish), "7 07 Mon Monday");
    EXPECT_EQ(FormatFileTemplate("m mm mmm mmmm", kTime, kEnglish), "12 12 Dec December");
    EXPECT_EQ(FormatFileTemplate("yy yyyy YY", kTime, kEnglish), "26 2026 26");
    EXPECT_EQ(FormatFileTemplate("h hh n nn s ss z zzz", kTime, kEnglish), "8 08 5 05 9 09 42 042");
    EXPECT_EQ(FormatFileTemplate("HH-MM-SS", kTime, kEnglish), "08-05-09");
}

TEST(FileNames, MinutesOnlyRightAfterAnHourToken) {
    EXPECT_EQ(FormatFileTemplate("hh'x'mm", kTime, kEnglish), "08x05");
    EXPECT_EQ(FormatFileTemplate("hh d mm", kTime, kEnglish), "08 7 12");
    EXPECT_EQ(FormatFileTemplate("mm hh", kTime, kEnglish), "12 08");
    EXPECT_EQ(FormatFileTemplate("\"Show: \"yyyy", kTime, kEnglish), "Show: 2026");
    EXPECT_EQ(FormatFileTemplate("hh am/pm", kTime, kEnglish), "08 am");
    EXPECT_EQ(FormatFileTemplate("RR_q", kTime, kEnglish), "RR_q");
}

TEST(FileNames, NamesFollowTheLocale) {
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    EXPECT_EQ(FormatFileTemplate("mmmm", kTime, russian), QStringLiteral("декабрь"));
}

TEST(FileNames, RecordingNames) {
    const QLocale saved;
    QLocale::setDefault(kEnglish);
    EXPECT_EQ(
        RecordingFileName("/data/Rec", "/opt/tw", "RR\\yyyy\\mmmm\\dd\\HH-MM-SS", "Jazz", kTime),
        "/data/Rec/Jazz/2026/December/07/08-05-09.MP3");
    EXPECT_EQ(RecordingFileName("/data/Rec/", "/opt/tw", "RR\\HH", "Jazz\\", kTime),
              "/data/Rec/Jazz/08.MP3");
    EXPECT_EQ(RecordingFileName("", "/opt/tw", "RR/dd", "Rock", kTime),
              "/opt/tw/Record/Rock/07.MP3");
    // "RR" names the station's folder in the template only, never in the root.
    EXPECT_EQ(RecordingFileName("/mnt/ARRAY1/radio", "/opt/RR", "RR\\HH", "Jazz", kTime),
              "/mnt/ARRAY1/radio/Jazz/08.MP3");
    EXPECT_EQ(RecordingFileName("", "/opt/RR", "RR", "Jazz", kTime), "/opt/RR/Record/Jazz.MP3");
    EXPECT_EQ(TemplatePreview("RR\\yyyy\\HH-MM", kTime), "\\{name radio}\\2026\\08-05.MP3");
    QLocale::setDefault(saved);
}
