// The amplifier's command ports and the command cache. Amplifier control
// words are played as short sample bursts on an output channel of the
// AD/DA board (the command port); a word is latched by one sample with the
// strobe (bit 14) low between two with it high. With caching on, the words
// are collected here and played as one stimulus, consecutive words sharing
// their rest samples; with caching off each word is its own stimulus.
//
// The AD/DA layer plays the cache before every board access (FlushCache),
// so that the amplifier has every setting before a measurement, and drops
// it unplayed when it shuts down or reinitialises (ClearCache). A word for
// another channel than the queued ones, a full cache, Wait and the panel's
// own flushes play it too.
//
// Ownership: this module owns the cache and its counters; nobody else
// changes them. The port procedures keep ZRVBase::DigitalOutState up to
// date where a port shares the board's digital output (ZRV-24). With the
// interface closed (ZRV::Status 0) the command ports drop every word.
//
// Main thread only: the cache has no lock, and the acquisition timer
// task's FIFO calls never reach it.
#pragma once

#include <cstdint>
#include <span>

namespace VrnlBoards {

// ==== Interface =============================================================

// Samples the cache holds; a burst longer than one less than this raises
// "ZRV-Cache overflow!" and is dropped.
inline constexpr std::int32_t CacheSize = 2048;

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

// The amplifier (TLV 3 and 4) port: word with bit 15 set, played at
// ZRVBase::MinSamplingTime. On board types 1 to 3 four samples: w, w
// without the strobe, w, 0x4000 (w = word with the strobe). On the ZRV-24,
// whose digital output also carries the user's lines, six: d | 0x8000, w,
// w without the strobe, w, (d | 0x8000) without bit 10, d, where d is
// DigitalOutState with bit 15 cleared and the strobe set (and bit 10
// cleared when maskChipSelect is set), stored back as DigitalOutState.
void SendToTlv3Port(std::int32_t channel, std::uint16_t word, bool maskChipSelect);
// The older potentiostat's port: the same, bit 15 added on the ZRV-24
// only, the chip select never masked.
void SendToPK200Port(std::int32_t channel, std::uint16_t word);
// The older amplifier port (the probe selector's): w = word with bit 15
// cleared and the strobe set; DigitalOutState := itself with bit 15 cleared
// and the strobe set (d); then, with the interface open, w, w without the
// strobe, w, d played at once, never cached (the layer plays the queued
// words first).
void SendToTlv2Port(std::int32_t channel, std::uint16_t word);

// samples := the samples queued; cache := the whole cache; restWord := the
// word the command port rests at: 0x4000, on the ZRV-24
// (DigitalOutState | 0xC000) without bit 10. The panel's mode-switch
// templates build their timed sequences from it.
void GetCache(std::int32_t& samples, std::span<const std::uint16_t>& cache,
              std::uint16_t& restWord);
// Turning caching off plays what is queued first. Turning the protocol on
// starts the tracking of the highest sample count.
void SetProperties(bool cacheOn, bool protocolOn);
// What SetProperties last set.
void GetProperties(bool& cacheOn, bool& protocolOn);
// Highest sample count := 0; with the protocol on, two empty console lines
// and "StartTracking ".
void StartTracking();

// The trigger-interface board: TRUE when "KESP7.On" exists; else FALSE
// with the interface closed (the outputs untouched); else present when the
// digital input's bit 14 echoes output bit 15, set and then cleared (the
// output is left with bit 15 cleared).
bool KESP7Present();
// Puts the trigger board into its start state and gives KESP7Present; with
// the interface closed, whether "KESP7.On" exists.
bool KESP7Initialize();
// The interface extension board: the words 0x2D10, 0x2D20, 0x2D40, 0x2D80
// (address 45, one bit of the upper nibble each) on the amplifier port,
// the chip select never masked.
void InitQRNExtBoard(std::int32_t channel);

}  // namespace VrnlBoards
