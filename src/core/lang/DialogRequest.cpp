#include "lang/DialogRequest.h"

#include "base/Logging.h"

#include <array>

namespace {

struct ButtonWord {
    DialogButton button;
    const char* word;
    const char* standard;
};

constexpr std::array<ButtonWord, 11> kButtons = {{
    {DialogButton::Yes, "Yes", "&Yes"},
    {DialogButton::No, "No", "&No"},
    {DialogButton::OK, "OK", "OK"},
    {DialogButton::Cancel, "Cancel", "Cancel"},
    {DialogButton::Abort, "Abort", "&Abort"},
    {DialogButton::Retry, "Retry", "&Retry"},
    {DialogButton::Ignore, "Ignore", "&Ignore"},
    {DialogButton::All, "All", "&All"},
    {DialogButton::NoToAll, "NoToAll", "N&o to All"},
    {DialogButton::YesToAll, "YesToAll", "Yes to &All"},
    {DialogButton::Help, "Help", "&Help"},
}};

} // namespace

QList<ButtonInfo> ButtonsInOrder(DialogButtons set) {
    QList<ButtonInfo> out;
    for (const ButtonWord& b : kButtons)
        if (set.testFlag(b.button))
            out.append({b.button, QLatin1String(b.word), QLatin1String(b.standard)});
    return out;
}

DialogButton DefaultButton(DialogButtons set) {
    for (DialogButton b : {DialogButton::OK, DialogButton::Yes, DialogButton::Retry})
        if (set.testFlag(b))
            return b;
    const auto all = ButtonsInOrder(set);
    return all.isEmpty() ? DialogButton::None : all.first().button;
}

QString DialogTypeWord(DialogType type) {
    switch (type) {
    case DialogType::Warning:
        return QStringLiteral("Warning");
    case DialogType::Error:
        return QStringLiteral("Error");
    case DialogType::Information:
        return QStringLiteral("Information");
    case DialogType::Confirmation:
        return QStringLiteral("Confirm");
    case DialogType::Custom:
        break;
    }
    return QStringLiteral("Custom");
}

DialogButton LogDialogPresenter::Present(const DialogRequest& request) {
    QString text = request.text;
    text.replace(QLatin1String("\r\n"), QLatin1String(" "))
        .replace(u'\r', u' ')
        .replace(u'\n', u' ');
    qCWarning(lcLang).noquote() << DialogTypeWord(request.type) + QLatin1String(": ") + text;
    return request.defaultButton;
}
