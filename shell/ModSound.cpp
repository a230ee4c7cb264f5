#include "shell/ModSound.h"

namespace ModSound {

double Frequency = 1000.0;
double Volume = 1.0;

namespace {

bool PlatformStart(double, double) { return false; }
void PlatformOff() {}
bool PlatformIsOn() { return false; }

StartProc startProc = PlatformStart;
OffProc offProc = PlatformOff;
IsOnProc isOnProc = PlatformIsOn;

}  // namespace

void InitModule() {
  Frequency = 1000.0;
  Volume = 1.0;
  Redirect(PlatformStart, PlatformOff, PlatformIsOn);
}

bool Start(double frequency, double volume) {
  Frequency = frequency;
  Volume = volume;
  return frequency > 0.0 ? startProc(frequency, volume) : true;
}

void Off() { offProc(); }

bool IsOn() { return isOnProc(); }

void Redirect(StartProc start, OffProc off, IsOnProc isOn) {
  startProc = start;
  offProc = off;
  isOnProc = isOn;
}

void Reset() {
  Off();
  Redirect(PlatformStart, PlatformOff, PlatformIsOn);
}

}  // namespace ModSound
