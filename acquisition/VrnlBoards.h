// The amplifier command cache: amplifier control words played as short
// sample bursts on the AD/DA board's command port are collected here and
// sent as one stimulus. The AD/DA layer plays the cache before every board
// access (FlushCache), so that the amplifier has every setting before a
// measurement, and drops it unplayed when it shuts down or reinitialises
// (ClearCache).
//
// Main thread only.
#pragma once

namespace VrnlBoards {

// Drops every queued command without sending it.
void ClearCache();
// Sends the queued commands, if any: with the protocol on a console line
// ("CACHE: " with caching on, else "cache: ", the time, the command count,
// the sample count and the highest sample count); with caching on one
// ZRV::Stim of the cached samples on the cache's channel at its interval
// (the AD/DA layer's own flush of that Stim being inhibited). Then the
// cache is empty.
void FlushCache();
// FlushCache, then waits the seconds.
void Wait(double seconds);
// Empty cache, caching and protocol off.
void InitModule();

}  // namespace VrnlBoards
