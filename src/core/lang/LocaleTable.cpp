#include "lang/LocaleTable.h"

#include <array>

namespace {

struct LocaleId {
    int id;
    const char* name;
};

constexpr std::array<LocaleId, 36> kLocales = {{
    {1026, "bg_BG"}, {1028, "zh_TW"}, {1029, "cs_CZ"}, {1030, "da_DK"}, {1031, "de_DE"},
    {1032, "el_GR"}, {1033, "en_US"}, {1034, "es_ES"}, {1035, "fi_FI"}, {1036, "fr_FR"},
    {1037, "he_IL"}, {1038, "hu_HU"}, {1040, "it_IT"}, {1041, "ja_JP"}, {1042, "ko_KR"},
    {1043, "nl_NL"}, {1044, "nb_NO"}, {1045, "pl_PL"}, {1046, "pt_BR"}, {1048, "ro_RO"},
    {1049, "ru_RU"}, {1050, "hr_HR"}, {1051, "sk_SK"}, {1053, "sv_SE"}, {1055, "tr_TR"},
    {1058, "uk_UA"}, {1059, "be_BY"}, {1060, "sl_SI"}, {1061, "et_EE"}, {1062, "lv_LV"},
    {1063, "lt_LT"}, {1087, "kk_KZ"}, {2052, "zh_CN"}, {2057, "en_GB"}, {2070, "pt_PT"},
    {3082, "es_ES"},
}};

} // namespace

QLocale LocaleFromWindowsId(int id) {
    for (const LocaleId& l : kLocales)
        if (l.id == id)
            return QLocale(QLatin1String(l.name));
    return QLocale(QLocale::Russian, QLocale::Russia);
}
