#include "stream/StreamTags.h"

#include <cstdint>
#include <cstdlib>

// ICY metadata blocks and header runs as a server may send them, to the title and tag
// parsers; the title must be a piece of the text it was found in.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray raw(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray meta = raw.left(raw.indexOf('\0'));
    const QByteArray title = TitleFromMeta(meta);
    if (!meta.contains(title))
        std::abort();
    UTFDecodeWhile(title);
    for (const QByteArray& text : TagTexts(raw))
        if (LeadingNumber(text) < 0)
            std::abort();
    return 0;
}
