// The program's sound output: a switchboard of three installable
// procedures for tones. This platform installs procedures that play
// nothing; the program itself only ever switches sound off (alerts do so
// before they beep, so that a beep is never lost in a running tone).
// Main thread only.
#pragma once

namespace ModSound {

using StartProc = bool (*)(double frequency, double volume);
using OffProc = void (*)();
using IsOnProc = bool (*)();

// The last values given to Start: 1000.0 and 1.0 after InitModule.
extern double Frequency;
extern double Volume;

// Frequency 1000.0, volume 1.0, the platform procedures installed.
void InitModule();

// Keeps both values; for a frequency above 0 the installed start
// procedure's answer, otherwise TRUE without calling it.
bool Start(double frequency, double volume);
void Off();
bool IsOn();
// Installs the three procedures.
void Redirect(StartProc start, OffProc off, IsOnProc isOn);
// Off, then the platform procedures again.
void Reset();

}  // namespace ModSound
