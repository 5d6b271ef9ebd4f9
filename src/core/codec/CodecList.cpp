#include "codec/CodecList.h"

#include "codec/ACM.h"
#include "settings/StationConfig.h"

QStringList CodecListLines(int rate, int channels) {
    QList<int> rates;
    for (int i = 0; rate == 0 && i < kSampleRateCount; ++i)
        rates << SampleRateFromIndex(i);
    if (rate != 0)
        rates << rate;
    QStringList lines;
    TACM catalogue(ACM_ENCODE, 44100, 2, WAVE_FORMAT_MPEGLAYER3, false);
    catalogue.RateFilter = true;
    for (const int r : rates)
        for (const int ch : {1, 2}) {
            if (channels != 0 && ch != channels)
                continue;
            catalogue.SetSampleRate(r);
            catalogue.SetChannels(ch);
            catalogue.Enumerate();
            for (const AcmDriverEntry& driver : catalogue.Drivers)
                for (const AcmFormatEntry& f : driver.Formats)
                    lines << driver.LongName + u'\t' + QString::number(f.FormatIndex) + u'\t' +
                                 f.Description;
        }
    return lines;
}
