#pragma once

struct TStation;

// Name, bit rate and, for WMA, title from the stream's header tags.
void Stream_ReadTags(TStation& st);
// The current title from the stream's meta text.
void Stream_ReadTitle(TStation& st);
