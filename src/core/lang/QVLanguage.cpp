#include "lang/QVLanguage.h"

#include "lang/FormatText.h"
#include "settings/IniFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString kConstants = QStringLiteral("Constants");
// A constant that refers to itself, directly or round a loop, stops expanding here.
constexpr int kMaxReferenceDepth = 8;

bool isNameChar(QChar c) {
    const char16_t u = c.unicode();
    return u == u'-' || u == u'.' || (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') ||
           (u >= u'a' && u <= u'z');
}

QString applyEscapes(QString text) {
    static const std::pair<const char*, QString> kEscapes[] = {
        {"\\0", QString(QChar(0))},  {"\\a", QString(QChar(7))},      {"\\b", QString(QChar(8))},
        {"\\t", QString(QChar(9))},  {"\\n", QStringLiteral("\r\n")}, {"\\v", QString(QChar(11))},
        {"\\f", QString(QChar(12))}, {"\\r", QStringLiteral("\n\r")},
    };
    for (const auto& [from, to] : kEscapes)
        text.replace(QLatin1String(from), to);
    return text;
}

} // namespace

TLanguage::TLanguage(QString filePrefix, DialogPresenter* presenter)
    : prefix_(std::move(filePrefix)), presenter_(presenter) {
    scan();
}

QString TLanguage::folder() const {
    return QFileInfo(prefix_).absolutePath();
}

void TLanguage::scan() {
    const QString prefixName = QFileInfo(prefix_).fileName();
    const QStringList files =
        QDir(folder()).entryList({prefixName + QStringLiteral("*.lng")}, QDir::Files);
    for (const QString& f : files) {
        const QString name = f.mid(prefixName.size());
        const IniDocument ini = IniFile(QDir(folder()).filePath(f)).load();
        const LanguageEntries entries = LanguageEntries::FromLines(ini.sectionLines(kConstants));
        const QString* display = entries.find(QStringLiteral("Language"));
        languages_.append(
            {name, display && !display->isEmpty() ? *display : QFileInfo(name).completeBaseName()});
    }
    std::sort(languages_.begin(), languages_.end(), [](const Language& a, const Language& b) {
        return a.file.compare(b.file, Qt::CaseInsensitive) < 0;
    });
}

bool TLanguage::LoadLanguage(const QString& settingsFile, const QString& section,
                             const QString& defaultFile) {
    if (languages_.isEmpty()) {
        DialogRequest box;
        box.type = DialogType::Error;
        box.caption = QStringLiteral("Error");
        box.text =
            QStringLiteral("The language files don't exits!\r") + prefix_ + QStringLiteral("*.lng");
        box.buttons = {{DialogButton::OK, QStringLiteral("OK")}};
        present(box);
        return false;
    }
    if (languages_.size() == 1) {
        loadFile(languages_.first().file);
        return true;
    }
    QString ini = settingsFile.isEmpty() ? prefix_ + QStringLiteral("ini") : settingsFile;
    if (!ini.contains(u'/'))
        ini = QDir(folder()).filePath(ini);
    const QString wanted =
        IniFile(ini).load().readString(section, QStringLiteral("Language"), defaultFile);
    const auto it = std::find_if(languages_.begin(), languages_.end(), [&](const Language& l) {
        return l.file.compare(wanted, Qt::CaseInsensitive) == 0;
    });
    loadFile(it != languages_.end() ? it->file : languages_.first().file);
    return true;
}

void TLanguage::loadFile(const QString& name) {
    QString path = prefix_ + name;
    if (QFileInfo(name).suffix().isEmpty())
        path += QStringLiteral(".lng");
    current_ = QFileInfo(path).absoluteFilePath();
    constants_ = LanguageEntries::FromLines(IniFile(current_).load().sectionLines(kConstants));
}

QStringList TLanguage::GetLanguageNames() const {
    QStringList names;
    for (const Language& l : languages_)
        names << l.display;
    return names;
}

int TLanguage::FindLanguage(const QString& name) const {
    auto same = [&](const QString& s) { return s.compare(name, Qt::CaseInsensitive) == 0; };
    for (int i = 0; i < languages_.size(); ++i) {
        const Language& l = languages_[i];
        if (same(l.file) || same(QFileInfo(l.file).completeBaseName()) || same(l.display))
            return i;
    }
    return -1;
}

QString TLanguage::GetLanguageFile(int index) const {
    return index >= 0 && index < languages_.size() ? languages_[index].file : QString();
}

bool TLanguage::SelectLanguage(int index) {
    if (index < 0 || index >= languages_.size())
        return false;
    loadFile(languages_[index].file);
    return true;
}

QString TLanguage::constant(const QString& key, const QString& def, int depth) const {
    const QString* v = constants_.find(key);
    return expand(v ? *v : def, depth);
}

QString TLanguage::GetConstant(const QString& key, const QString& def) const {
    return constant(key, def, 0);
}

int TLanguage::GetConstantInt(const QString& key) const {
    // A value that is not a decimal number counts as 0, like a missing one.
    return GetConstant(key, QStringLiteral("0")).trimmed().toInt();
}

QString TLanguage::GetDottedConstant(const QString& first, const QString& second,
                                     const QString& def) const {
    return GetConstant(first + u'.' + second, def);
}

QString TLanguage::Expand(const QString& value) const {
    return expand(value, 0);
}

QString TLanguage::expand(const QString& value, int depth) const {
    const QString text = applyEscapes(value);
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] != u'.') {
            out += text[i++];
            continue;
        }
        qsizetype end = i + 1;
        while (end < text.size() && isNameChar(text[end]))
            ++end;
        const QString name = text.mid(i + 1, end - i - 1);
        const QString replaced = name.isEmpty() || depth >= kMaxReferenceDepth
                                     ? QString()
                                     : constant(name, QString(), depth + 1);
        out += replaced.isEmpty() ? u'.' + name : replaced;
        i = end;
    }
    return out;
}

QString TLanguage::value(const QString& section, const QString& key) const {
    if (section.isEmpty() || section.compare(kConstants, Qt::CaseInsensitive) == 0) {
        const QString* v = constants_.find(key);
        return v ? *v : QString();
    }
    const LanguageEntries entries = ReadSection(section);
    const QString* v = entries.find(key);
    return v ? *v : QString();
}

LanguageEntries TLanguage::ReadSection(const QString& section) const {
    return LanguageEntries::FromLines(IniFile(current_).load().sectionLines(section));
}

QString TLanguage::GetMessage(const QString& name, const QString& section,
                              const QVariantList& args) const {
    const QString text = Expand(value(section, QStringLiteral("MSG.") + name));
    if (args.isEmpty())
        return text;
    const FormatResult r = FormatText(text, args);
    return r.ok() ? r.text : text;
}

DialogRequest TLanguage::BuildDialog(const QString& name, DialogType type, const QVariantList& args,
                                     const QString& section, DialogButtons buttons) const {
    DialogRequest box;
    box.type = type;
    const QString where = QStringLiteral("Error in language file ") + current_ +
                          QStringLiteral("\r--> Dialog.") + name;
    const QString text = Expand(value(section, QStringLiteral("Dialog.") + name));
    const FormatResult r = FormatText(text, args);
    if (text.isEmpty() || !r.ok()) {
        box.text = text.isEmpty() ? where + QStringLiteral(" <---")
                                  : where + QStringLiteral("\rError: ") + r.error +
                                        QStringLiteral("\rPlease send about this error to author.");
        box.type = DialogType::Error;
        buttons = DialogButton::OK;
    } else {
        box.text = r.text;
    }
    // Missing captions fall back to the standard ones rather than leave a box blank.
    const QString word = DialogTypeWord(box.type);
    box.caption = GetDottedConstant(QStringLiteral("Dialog"), word);
    if (box.caption.isEmpty())
        box.caption = word;
    for (const ButtonInfo& b : ButtonsInOrder(buttons)) {
        const QString caption = GetConstant(QStringLiteral("Button.") + b.word);
        box.buttons.append({b.button, caption.isEmpty() ? b.standardCaption : caption});
    }
    box.defaultButton = DefaultButton(buttons);
    return box;
}

DialogButton TLanguage::ShowDialog(const QString& name, DialogType type, const QVariantList& args,
                                   const QString& section, DialogButtons buttons) {
    return present(BuildDialog(name, type, args, section, buttons));
}

DialogButton TLanguage::present(const DialogRequest& request) {
    return (presenter_ ? presenter_ : &fallbackPresenter_)->Present(request);
}
