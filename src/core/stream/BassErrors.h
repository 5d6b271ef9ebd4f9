#pragma once

#include <QString>

// "Error code <n>. " followed by the audio layer's description of the code.
QString BassErrorText(int code);

// Decibels of a peak level from 0 to 32768: -90 dB for silence, 0 dB at full scale.
double LevelToDB(int level);
