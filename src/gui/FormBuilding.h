#pragma once

#include <QLatin1String>

// Controls carry their designed names: the language file and the tests find them so.
template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}
