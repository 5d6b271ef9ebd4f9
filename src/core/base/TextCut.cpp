#include "base/TextCut.h"

QString CutText(const QString& text, int maxChars) {
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (count == maxChars)
            return text.left(i);
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        ++count;
    }
    return text;
}
